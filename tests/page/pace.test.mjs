// The page's pace and its end: 50 frame steps a second whatever the rate of the browser's frame
// callbacks, a still picture drawn once, and another game after the end without loading the page
// anew, which plays as the replay runner's does.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { firstDifference, headlessOutputs, launchBrowser, openPage, pageOutputs, playScript, servePage,
         SOURCE_DIR, waitForGame, watchPage } from './harness.mjs';

let server, browser;

before(async () => {
  server = await servePage();
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
  server.close();
});

// Frame callbacks at `rate` a second rather than the display's, before the page's script runs,
// on a clock of the page's own that moves 1/rate s at each: a busy machine holding up the page's
// thread delays the callbacks but takes no time from the game. window.lobshotCallbacks counts the
// callbacks that ran.
async function pageAtRate(rate, fragment = '#seed=1') {
  const page = await browser.newPage();
  await watchPage(page);
  await page.evaluateOnNewDocument(perSecond => {
    let clock = performance.now();
    performance.now = () => clock;
    let waiting = [];
    window.lobshotCallbacks = 0;
    const beat = () => {
      clock += 1000 / perSecond;
      const run = waiting;
      waiting = [];
      window.lobshotCallbacks += run.length;
      for (const callback of run) callback(clock);
      setTimeout(beat, 1000 / perSecond);
    };
    setTimeout(beat, 1000 / perSecond);
    window.requestAnimationFrame = callback => { waiting.push(callback); return waiting.length; };
  }, rate);
  await page.goto(server.url + fragment);
  await waitForGame(page);
  await page.bringToFront();
  return page;
}

// Frame steps a second over about `ms` of the page's own clock, and the frame callbacks that ran.
async function stepsPerSecond(page, ms) {
  return page.evaluate(async span => {
    const first = [performance.now(), Module._lobshot_frame(), window.lobshotCallbacks];
    while (performance.now() - first[0] < span) await new Promise(resolve => setTimeout(resolve, 50));
    return [(Module._lobshot_frame() - first[1]) * 1000 / (performance.now() - first[0]),
            window.lobshotCallbacks - first[2]];
  }, ms);
}

// A moving picture is paced by the frame callbacks: two computer players' match, which the keys
// start, at the game's own speed.
test('50 frame steps a second with frame callbacks at 30, 60 and 144 a second', async () => {
  for (const rate of [30, 60, 144]) {
    const page = await pageAtRate(rate, '#seed=21');
    try {
      // A key each few steps, as the game takes none before its first step, nor a screen just
      // changed.
      await page.waitForFunction(() => Module._lobshot_frame() >= 2, {polling: 20});
      for (const key of ['Enter', '1', '1', '1', '2', '2', '2', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter']) {
        const frame = await page.evaluate(() => Module._lobshot_frame());
        await page.keyboard.press(key);
        await page.waitForFunction(after => Module._lobshot_frame() >= after + 3, {polling: 20}, frame);
      }
      await page.waitForFunction(() => ['Aiming', 'ShotInProgress'].includes(Module.lobshotMode()),
                                 {timeout: 20000, polling: 50}).catch(async error => {
        const state = JSON.parse(await page.evaluate(() => Module.lobshotState()));
        throw new Error(`${error.message}: ${state.mode} at frame ${state.frame}, choice ${JSON.stringify(state.choice)}, ` +
                        `${state.players.list.slice(0, 2).map(p => p.controller)}, active ${state.active}`);
      });
      const [speed, callbacks] = await stepsPerSecond(page, 2000);
      assert.ok(speed > 48 && speed < 52, `${speed.toFixed(1)} steps a second at ${rate} Hz`);
      assert.ok(callbacks > rate / 2, `only ${callbacks} frame callbacks at ${rate} Hz in 1.5 s`);
      assert.deepEqual(page.lobshotErrors, []);
    } finally {
      await page.close();
    }
  }
});

test('the still title is drawn once, not at every step', async () => {
  const page = await pageAtRate(60);
  try {
    await stepsPerSecond(page, 500);  // the title comes up
    await page.evaluate(() => {
      Module.lobshotDrawn = 0;
      const context = document.getElementById('screen').getContext('2d');
      const put = context.putImageData.bind(context);
      context.putImageData = (...args) => { ++Module.lobshotDrawn; return put(...args); };
    });
    const [speed, callbacks] = await stepsPerSecond(page, 1000);
    assert.ok(speed > 45, `${speed.toFixed(1)} steps a second`);
    assert.equal(await page.evaluate(() => Module.lobshotDrawn), 0, 'pictures drawn');
    // Nor does it wait for the display: the clock alone wakes it.
    assert.equal(callbacks, 0, 'frame callbacks');
    // A key changes the picture (the title gives way to the player choice): drawn again.
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => Module.lobshotDrawn > 0, {timeout: 5000});
  } finally {
    await page.close();
  }
});

test('after Esc on the title, another game in place that plays as the replay runner\'s', async () => {
  const script = path.join(SOURCE_DIR, 'tests/scenarios/weapon_shell.script');
  const text = fs.readFileSync(script, 'utf8');
  const expected = headlessOutputs(script, 1, 0);
  const page = await openPage(browser, server.url, '#seed=1&steps');
  try {
    await page.evaluate(() => { window.lobshotSamePage = true; });
    for (const again of ['click', 'Enter']) {
      await playScript(page, 'wait 4\npress Esc\nwait 1\n');
      assert.equal(await page.evaluate(() => Module.lobshotEnded), 0);
      assert.equal(await page.$eval('#news', element => element.textContent), 'The game has ended.Play again');
      if (again === 'click') await page.click('#play-again');
      else await page.keyboard.press('Enter');
      await page.waitForFunction(() => Module.lobshotEnded === undefined && typeof Module.lobshotWake === 'function',
                                 {timeout: 5000});
      assert.equal(await page.$eval('#news', element => element.textContent), '');
    }
    assert.ok(await playScript(page, text), 'an `until` was not reached in the page');
    const got = await pageOutputs(page);
    assert.equal(got.state, expected.state);
    assert.equal(firstDifference(got.image, expected.image), null);
    assert.equal(await page.evaluate(() => [window.lobshotSamePage, Module.lobshotGames].join()), 'true,2');
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});
