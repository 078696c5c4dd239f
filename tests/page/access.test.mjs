// The page for a screen reader, a keyboard and weak eyes, on a phone held sideways with every part
// of it that shows at some time shown. Each check lists the page's faults.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { suite, withPage } from './harness.mjs';

const s = suite();
const CONTROLS = ':is(button, a[href], input, [tabindex="0"]):not([hidden])';

const CHECKS = {
  nameless: async page => (await Promise.all((await page.$$(`${CONTROLS}, progress`)).map(async element =>
    (await page.accessibility.snapshot({root: element, interestingOnly: false}))?.name?.trim() ? null
      : element.evaluate(e => e.id)))).filter(id => id !== null),
  'out of reach of Tab': async page => {
    const reached = [];
    for (let i = 0; i < 30; ++i) {
      await page.keyboard.press('Tab');
      reached.push(await page.evaluate(() => document.activeElement.id));
    }
    return page.$$eval(CONTROLS, (elements, seen) => elements.map(e => e.id).filter(id => !seen.includes(id)), reached);
  },
  'faded but not disabled': page => page.$$eval(CONTROLS, elements => elements.filter(e =>
    (getComputedStyle(e).opacity < 1) !== (e.getAttribute('aria-disabled') === 'true')).map(e => e.id)),
  // Outside the picture: the viewport, and a pinch's touches left to the browser.
  'zoom blocked': page => page.evaluate(() => {
    const touchmove = e => new TouchEvent('touchmove', {bubbles: true, cancelable: true,
                                                       touches: [new Touch({identifier: 1, target: e})]});
    const viewport = document.querySelector('meta[name=viewport]').content;
    return [document.documentElement, document.body, document.getElementById('page')]
      .filter(e => getComputedStyle(e).touchAction === 'none' || !e.dispatchEvent(touchmove(e))).map(e => e.tagName)
      .concat(/user-scalable=no|maximum-scale=[0-4]\b/.test(viewport) ? ['viewport'] : []);
  }),
  // The colours of each text shown as it is drawn: its ancestors' opacity over the background behind.
  'low contrast': page => page.evaluate(() => {
    const rgba = text => text.match(/[\d.]+/g).map(Number).concat(1).slice(0, 4);
    const over = (top, under, alpha) => under.map((c, i) => top[i] * alpha + c * (1 - alpha));
    const behind = e => {
      if (!e) return [0, 0, 0];
      const colour = rgba(getComputedStyle(e).backgroundColor);
      return over(colour, behind(e.parentElement), colour[3] * getComputedStyle(e).opacity);
    };
    const linear = c => c / 255 <= 0.04045 ? c / 255 / 12.92 : ((c / 255 + 0.055) / 1.055) ** 2.4;
    const luminance = colour => colour.map(linear).reduce((sum, c, i) => sum + c * [0.2126, 0.7152, 0.0722][i], 0);
    const texts = [...document.querySelectorAll('body *')].filter(e => e.getClientRects().length &&
      e.getAttribute('aria-disabled') !== 'true' && [...e.childNodes].some(n => n.nodeType === 3 && n.textContent.trim()));
    return texts
      .map(e => {
        let opacity = 1;
        for (let a = e; a; a = a.parentElement) opacity *= getComputedStyle(a).opacity;
        const ground = behind(e);
        const [light, dark] = [luminance(over(rgba(getComputedStyle(e).color), ground, opacity)), luminance(ground)]
          .sort((a, b) => b - a);
        return [e.id || e.tagName, (light + 0.05) / (dark + 0.05)];
      }).filter(([, ratio]) => ratio < 4.5).map(([id, ratio]) => `${id}: ${ratio.toFixed(2)}`);
  }),
};

test('every control named, reached by Tab and marked when faded; zoom and contrast kept', () =>
  withPage(s, '#seed=1&steps', async page => {
    await page.$$eval('#controls [hidden], #loading [hidden], #loading', shown => shown.forEach(e => { e.hidden = false; }));
    const faults = {};
    for (const [fault, check] of Object.entries(CHECKS)) faults[fault] = await check(page);
    assert.deepEqual(faults, Object.fromEntries(Object.keys(CHECKS).map(fault => [fault, []])));
  }, 'Pixel 5 landscape'));
