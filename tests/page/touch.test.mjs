// The page under a finger and a mouse: on a phone held sideways the browser neither scrolls, zooms,
// goes back nor shows its menu over the game, the controls stand beside the picture and never over
// it, and held upright the page asks for the phone to be turned; on a desktop the pointer stays
// visible and the controls come with the mouse's first use.
import assert from 'node:assert/strict';
import path from 'node:path';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';

import { launchBrowser, servePage, waitForGame, watchPage, WEB_BUILD_DIR } from './harness.mjs';

const {KnownDevices} = createRequire(path.join(WEB_BUILD_DIR, 'package.json'))('puppeteer-core');
let server, browser;

before(async () => {
  server = await servePage();
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
  server.close();
});

// The page on a phone, sideways or upright.
async function phonePage(device) {
  const page = await browser.newPage();
  await watchPage(page);
  await page.emulate(KnownDevices[device]);
  await page.goto(server.url + '#seed=1&steps');
  await waitForGame(page);
  return page;
}

const boxes = page => page.evaluate(() => {
  const box = element => {
    const r = element.getBoundingClientRect();
    return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, shown: r.width > 0 && r.height > 0};
  };
  return {picture: box(document.getElementById('screen')),
          controls: [...document.querySelectorAll('#controls button')].filter(b => !b.hidden).map(box)};
});
const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;

test('a phone held sideways: nothing of the browser\'s own over the game, the controls beside the picture', async () => {
  const page = await phonePage('Pixel 5 landscape');
  try {
    const {picture, controls} = await boxes(page);
    assert.ok(picture.right - picture.left > 400, 'the picture fills the height');
    assert.equal(controls.length, 5);
    for (const control of controls) {
      assert.ok(control.shown, 'every control shows on a touch screen');
      assert.ok(!overlaps(control, picture), `a control over the picture: ${JSON.stringify(control)}`);
    }
    assert.equal(await page.$eval('#turn', element => getComputedStyle(element).display), 'none');

    // Scrolling, zooming and swiping back are the browser's defaults of touch events, and its menu
    // that of a long press: all prevented over the picture and the controls.
    const styles = await page.evaluate(() => ['html', 'body', '#screen', '#controls .left'].map(selector => {
      const style = getComputedStyle(document.querySelector(selector));
      return style.touchAction + ' ' + style.overscrollBehaviorX;
    }));
    assert.deepEqual(styles, ['none none', 'none none', 'none auto', 'none auto']);
    const prevented = await page.evaluate(() => ['#screen', '#control-fire', '#page'].map(selector => {
      const target = document.querySelector(selector);
      const touch = new Touch({identifier: 1, target, clientX: 100, clientY: 100});
      return ['touchstart', 'touchmove', 'touchend'].map(type => {
        const event = new TouchEvent(type, {touches: [touch], changedTouches: [touch], bubbles: true, cancelable: true});
        target.dispatchEvent(event);
        return event.defaultPrevented;
      }).concat([new MouseEvent('contextmenu', {bubbles: true, cancelable: true})].map(event => {
        target.dispatchEvent(event);
        return event.defaultPrevented;
      }));
    }));
    assert.deepEqual(prevented, Array(3).fill([true, true, true, true]));
    assert.match(await page.$eval('meta[name=viewport]', element => element.content), /user-scalable=no/);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});

test('a phone held upright asks to be turned', async () => {
  const page = await phonePage('Pixel 5');
  try {
    assert.equal(await page.$eval('#turn', element => getComputedStyle(element).display), 'flex');
    assert.equal(await page.$eval('#turn', element => element.textContent), 'Turn your phone sideways to play.');
  } finally {
    await page.close();
  }
});

test('a desktop: the pointer visible over the picture, the controls once the mouse is used on it', async () => {
  const page = await browser.newPage();
  await watchPage(page);
  try {
    await page.goto(server.url + '#seed=1&steps');
    await waitForGame(page);
    assert.notEqual(await page.$eval('#screen', element => getComputedStyle(element).cursor), 'none');
    const before = await boxes(page);
    assert.equal(before.controls.filter(control => control.shown).length, 0);
    assert.deepEqual([before.picture.right - before.picture.left, before.picture.bottom - before.picture.top],
                     [960, 720]);
    await page.mouse.click(480, 360);
    const {picture, controls} = await boxes(page);
    assert.equal(controls.filter(control => control.shown).length, 5);
    for (const control of controls) assert.ok(!overlaps(control, picture));
  } finally {
    await page.close();
  }
});
