// The page under a finger and a mouse: on a phone held sideways the browser neither scrolls, zooms,
// goes back nor shows its menu over the game, the controls stand beside the picture and never over
// it, and held upright the page asks for the phone to be turned; on a desktop the pointer stays
// visible and the controls come with the mouse's first use. Whole matches played by pointer alone,
// by taps, drags and the on-screen controls or by the mouse, end in the state and picture that
// lobshot-headless computes from the replay the page recorded: the pointer's keys are the game's.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { assertSameAs, headless, mode, onPage, pointerScreen, step, suite, withPage } from './harness.mjs';

const s = suite();
const SPACE = 32;
const PHONE = 'Pixel 5 landscape';

const stepUntil = (page, modes, limit) => page.evaluate((m, n) => Module.lobshotStepUntil(m, n), modes, limit);
const centre = element => {
  const r = element.getBoundingClientRect();
  return [r.left + r.width / 2, r.top + r.height / 2];
};

const boxes = page => page.evaluate(() => {
  const box = element => {
    const r = element.getBoundingClientRect();
    return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, shown: r.width > 0 && r.height > 0};
  };
  return {picture: box(document.getElementById('screen')),
          controls: [...document.querySelectorAll('#controls button')].filter(b => !b.hidden).map(box)};
});
const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;

// Every control shown, and none over the picture.
async function controlsBeside(page) {
  const {picture, controls} = await boxes(page);
  assert.deepEqual(controls.map(control => control.shown), Array(9).fill(true));
  for (const control of controls) assert.ok(!overlaps(control, picture), `over the picture: ${JSON.stringify(control)}`);
  return picture;
}

test('a phone held sideways: nothing of the browser\'s own over the game, the controls beside the picture', () =>
  withPage(s, '#seed=1&steps', async page => {
    const picture = await controlsBeside(page);
    assert.ok(picture.right - picture.left > 400, 'the picture fills the height');
    assert.equal(await page.$eval('#turn', element => getComputedStyle(element).display), 'none');

    // Scrolling, zooming and swiping back are the browser's defaults of touch events, and its menu
    // that of a long press: all prevented over the picture and the controls.
    const styles = await page.evaluate(() => ['html', 'body', '#screen', '#controls .left'].map(selector => {
      const style = getComputedStyle(document.querySelector(selector));
      return style.touchAction + ' ' + style.overscrollBehaviorX;
    }));
    assert.deepEqual(styles, ['auto none', 'auto none', 'none auto', 'none auto']);
    const prevented = await page.evaluate(() => ['#screen', '#control-fire'].map(selector => {
      const target = document.querySelector(selector);
      const touch = new Touch({identifier: 1, target, clientX: 100, clientY: 100});
      const events = ['touchstart', 'touchmove', 'touchend'].map(type =>
        new TouchEvent(type, {touches: [touch], changedTouches: [touch], bubbles: true, cancelable: true}));
      events.push(new MouseEvent('contextmenu', {bubbles: true, cancelable: true}));
      return events.map(event => { target.dispatchEvent(event); return event.defaultPrevented; });
    }));
    assert.deepEqual(prevented, Array(2).fill([true, true, true, true]));
  }, PHONE));

test('a phone held upright asks to be turned', () => withPage(s, '#seed=1&steps', async page => {
  assert.equal(await page.$eval('#turn', element => getComputedStyle(element).display), 'flex');
  assert.equal(await page.$eval('#turn', element => element.textContent), 'Turn your phone sideways to play.');
}, 'Pixel 5'));

test('a desktop: the pointer visible over the picture, the controls once the mouse is used on it', () =>
  withPage(s, '#seed=1&steps', async page => {
    assert.notEqual(await page.$eval('#screen', element => getComputedStyle(element).cursor), 'none');
    const before = await boxes(page);
    assert.equal(before.controls.filter(control => control.shown).length, 0);
    assert.deepEqual([before.picture.right - before.picture.left, before.picture.bottom - before.picture.top],
                     [960, 720]);
    await page.mouse.click(480, 360);
    await controlsBeside(page);
  }));

// The finger: taps and drags on the picture, taps on the controls.
const finger = {
  tap: async (page, x, y) => page.touchscreen.tap(...await onPage(page, x, y)),
  async drag(page, from, to) {
    const [x0, y0] = await onPage(page, ...from), [x1, y1] = await onPage(page, ...to);
    await page.touchscreen.touchStart(x0, y0);
    for (let i = 1; i <= 4; ++i) await page.touchscreen.touchMove(x0 + (x1 - x0) * i / 4, y0 + (y1 - y0) * i / 4);
    await page.touchscreen.touchEnd();
  },
  control: async (page, name) => page.touchscreen.tap(...await page.$eval('#control-' + name, centre)),
};

// The mouse: clicks and drags with the left button; the right button fires.
const mouse = {
  tap: async (page, x, y) => page.mouse.click(...await onPage(page, x, y)),
  async drag(page, from, to) {
    await page.mouse.move(...await onPage(page, ...from));
    await page.mouse.down();
    await page.mouse.move(...await onPage(page, ...to), {steps: 4});
    await page.mouse.up();
  },
  async control(page, name) {
    if (name === 'fire') return page.mouse.click(...await onPage(page, 160, 20), {button: 'right'});
    await page.click('#control-' + name);
  },
};

// Taps a menu's full-width Space row ("Start Game", "Finish").
async function tapSpaceRow(page, hand) {
  const row = (await pointerScreen(page)).rows.find(r => r.zones.length === 1 && r.zones[0][0] === 0 &&
                                                        r.zones[0][2] === SPACE);
  await hand.tap(page, 160, (row.top + row.bottom) >> 1);
}

// From the title to the first turn's aiming, by `hand`.
async function toTheFirstTurn(page, hand) {
  await step(page, 2);
  await hand.tap(page, 160, 100);  // the title
  assert.ok(await stepUntil(page, ['PlayerChoice'], 5), 'a tap on the title plays');
  await tapSpaceRow(page, hand);
  for (let shop = 0; shop < 2; ++shop) {
    assert.ok(await stepUntil(page, ['WeaponShop'], 5), 'the shop opens');
    await step(page, 1);
    await tapSpaceRow(page, hand);
    await step(page, 1);
  }
}

// A two-player match of two people from the title to its end, every input `hand`'s: each turn the
// player aims straight up with the least power by a drag and fires, and so drops a shell on itself.
async function playMatch(page, hand) {
  await toTheFirstTurn(page, hand);
  let turns = 0;
  while (await stepUntil(page, ['Aiming', 'EndOfMatch'], 5000) && await mode(page) === 'Aiming') {
    assert.ok(++turns <= 40, 'the match ends');
    await step(page, 2);
    let shown = await pointerScreen(page);
    assert.ok(shown.mayAim, 'a person aims');
    // A tank out of sight is brought into it by the Centre control.
    const inSight = s => s.pivot[0] >= 20 && s.pivot[0] < 300 && s.pivot[1] >= 40 && s.pivot[1] < s.barTop;
    if (!inSight(shown)) await hand.control(page, 'centre');
    for (let i = 0; i < 100 && !inSight(shown); ++i) {
      await step(page, 1);
      shown = await pointerScreen(page);
    }
    assert.ok(inSight(shown), `turn ${turns}: the tank is in sight at ${shown.pivot}`);
    const [x, y] = shown.pivot;
    await hand.drag(page, [x + 20, Math.max(y - 40, 2)], [x, y - 1]);
    await step(page, 1);
    await hand.control(page, 'fire');
    assert.ok(await stepUntil(page, ['ShotInProgress'], 200), `turn ${turns}: the shot is fired`);
    const aim = await pointerScreen(page);
    assert.deepEqual([aim.angle, aim.power], [90, 1], `turn ${turns}: the barrel was turned to the aim`);
  }
  assert.ok(turns >= 2);
  assert.equal(await mode(page), 'EndOfMatch');
}

// The page's replay, played by lobshot-headless, ends where the page ended.
async function assertSameAsReplayed(page) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-pointer-'));
  try {
    const replay = path.join(dir, 'match.lobshot-replay');
    fs.writeFileSync(replay, await page.evaluate(() => Module.UTF8ToString(Module._lobshot_replay())));
    await assertSameAs(page, headless(['--replay', replay]));
  } finally {
    fs.rmSync(dir, {recursive: true});
  }
}

test('two fingers dragged look around, and neither aim nor fire', () => withPage(s, '#seed=11&steps', async page => {
  await toTheFirstTurn(page, finger);
  assert.ok(await stepUntil(page, ['Aiming'], 5000));
  await step(page, 2);
  const before = await pointerScreen(page);
  const [x0, y0] = await onPage(page, 100, 60), [x1, y1] = await onPage(page, 140, 60);
  const one = await page.touchscreen.touchStart(x0, y0), two = await page.touchscreen.touchStart(x1, y1);
  for (let i = 1; i <= 4; ++i) {
    await one.move(x0 + 15 * i, y0 + 8 * i);
    await two.move(x1 + 15 * i, y1 + 8 * i);
  }
  await two.end();
  await one.end();
  await step(page, 20);
  const after = await pointerScreen(page);
  assert.deepEqual([await mode(page), after.angle, after.power], ['Aiming', before.angle, before.power]);
  assert.notDeepEqual(after.pivot, before.pivot, 'the picture followed the fingers');
}, PHONE));

test('a whole match by pointer alone', async t => {
  for (const [name, hand, phone] of [['by taps and drags on a phone held sideways', finger, PHONE],
                                     ['by the mouse', mouse, undefined]]) {
    await t.test(name, () => withPage(s, '#seed=11&steps', async page => {
      await playMatch(page, hand);
      await assertSameAsReplayed(page);
    }, phone));
  }
});
