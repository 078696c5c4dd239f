// The page for a screen reader, a keyboard and weak eyes, on a phone held sideways with every part
// of the page that shows at some time shown: each control and the picture have a name, Tab reaches
// them all, the faded controls are marked disabled, nothing keeps the page from zooming outside the
// picture, and every text stands out from its background by at least 4.5 to 1.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { suite, withPage } from './harness.mjs';

const s = suite();
const CONTROLS = ':is(button, a[href], input, [tabindex="0"]):not([hidden])';

// Each check gives the page's faults: none is a pass.
const CHECKS = {
  'nameless': async page => {
    const nameless = [];
    for (const element of await page.$$(`${CONTROLS}, progress`)) {
      const node = await page.accessibility.snapshot({root: element, interestingOnly: false});
      if (!node?.name?.trim()) nameless.push(await element.evaluate(e => e.id || e.outerHTML));
    }
    return nameless;
  },
  'out of Tab\'s reach': async page => {
    const reached = new Set();
    for (let i = 0; i < 20; ++i) {
      await page.keyboard.press('Tab');
      reached.add(await page.evaluate(() => document.activeElement.id));
    }
    return page.$$eval(CONTROLS, (elements, seen) => elements.map(e => e.id).filter(id => !seen.includes(id)),
                       [...reached]);
  },
  'faded but not disabled, or the other way round': page => page.$$eval(CONTROLS, elements => elements.filter(e =>
    (Number(getComputedStyle(e).opacity) < 1) !== (e.disabled || e.getAttribute('aria-disabled') === 'true'))
    .map(e => e.id)),
  'zoom kept': page => page.evaluate(() => {
    const faults = [];
    const viewport = document.querySelector('meta[name=viewport]').content;
    if (/user-scalable\s*=\s*(no|0)/.test(viewport) || Number((/maximum-scale\s*=\s*([\d.]+)/.exec(viewport) || [])[1]) < 5)
      faults.push('viewport');
    for (const element of [document.documentElement, document.body, document.getElementById('page')]) {
      if (getComputedStyle(element).touchAction === 'none') faults.push(element.tagName + ' touch-action');
      const touch = new Touch({identifier: 1, target: element, clientX: 5, clientY: 5});
      const event = new TouchEvent('touchmove', {touches: [touch], bubbles: true, cancelable: true});
      element.dispatchEvent(event);
      if (event.defaultPrevented) faults.push(element.tagName + ' touchmove');
    }
    return faults;
  }),
  'low contrast': page => page.evaluate(() => {
    const rgba = text => (text.match(/[\d.]+/g) || []).map(Number).concat([1]).slice(0, 4);
    const over = (top, under, alpha) => top.slice(0, 3).map((c, i) => c * alpha + under[i] * (1 - alpha));
    const behind = element => {
      if (!element) return [0, 0, 0];
      const [r, g, b, a] = rgba(getComputedStyle(element).backgroundColor);
      const below = behind(element.parentElement);
      return a === 0 ? below : over([r, g, b], below, a * Number(getComputedStyle(element).opacity));
    };
    const luminance = colour => colour.map(c => c / 255).map(c => c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4)
      .reduce((sum, c, i) => sum + c * [0.2126, 0.7152, 0.0722][i], 0);
    const faults = [];
    for (const element of document.querySelectorAll('body *')) {
      const own = [...element.childNodes].some(n => n.nodeType === Node.TEXT_NODE && n.textContent.trim());
      if (!own || !element.getClientRects().length || element.getAttribute('aria-disabled') === 'true') continue;
      let opacity = 1;
      for (let e = element; e; e = e.parentElement) opacity *= Number(getComputedStyle(e).opacity);
      const ground = behind(element);
      const [light, dark] = [luminance(over(rgba(getComputedStyle(element).color), ground, opacity)), luminance(ground)]
        .sort((a, b) => b - a);
      const ratio = (light + 0.05) / (dark + 0.05);
      if (ratio < 4.5) faults.push(`${element.id || element.tagName}: ${ratio.toFixed(2)}`);
    }
    return faults;
  }),
};

test('every control named, reached by Tab, marked when faded; zoom and contrast kept', () =>
  withPage(s, '#seed=1&steps', async page => {
    await page.evaluate(() => {
      for (const element of document.querySelectorAll('#controls [hidden], #loading [hidden], #loading')) element.hidden = false;
    });
    const faults = {};
    for (const [fault, check] of Object.entries(CHECKS)) faults[fault] = await check(page);
    assert.deepEqual(faults, Object.fromEntries(Object.keys(CHECKS).map(fault => [fault, []])));
  }, 'Pixel 5 landscape'));
