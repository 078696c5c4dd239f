// The page's pace and its end: 50 frame steps a second whatever the rate of the browser's frame
// callbacks, a still picture drawn once, and another game after the end without loading the page
// anew, which plays as the replay runner's does.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { assertSameAs, headless, news, playScript, SOURCE_DIR, state, suite, waitForGame, watchPage, withPage }
  from './harness.mjs';

const s = suite();

// Frame callbacks at `rate` a second rather than the display's, before the page's script runs,
// on a clock of the page's own that moves 1/rate s at each: a busy machine holding up the page's
// thread delays the callbacks but takes no time from the game. window.lobshotCallbacks counts the
// callbacks that ran.
async function pageAtRate(rate, fragment, body) {
  const page = await s.browser.newPage();
  try {
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
    await page.goto(s.server.url + fragment);
    await waitForGame(page);
    await page.bringToFront();
    await body(page);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
}

// Frame steps a second over about `ms` of the page's own clock, and the frame callbacks that ran.
function stepsPerSecond(page, ms) {
  return page.evaluate(async span => {
    const first = [performance.now(), Module._lobshot_frame(), window.lobshotCallbacks];
    while (performance.now() - first[0] < span) await new Promise(resolve => setTimeout(resolve, 50));
    return [(Module._lobshot_frame() - first[1]) * 1000 / (performance.now() - first[0]),
            window.lobshotCallbacks - first[2]];
  }, ms);
}

// A moving picture is paced by the frame callbacks: two computer players' match, which the keys
// start (a key each few steps, as the game takes none before its first step, nor a screen just
// changed), at the game's own speed.
test('50 frame steps a second with frame callbacks at 30, 60 and 144 a second', async () => {
  for (const rate of [30, 60, 144]) {
    await pageAtRate(rate, '#seed=21', async page => {
      await page.waitForFunction(() => Module._lobshot_frame() >= 2, {polling: 20});
      for (const key of ['Enter', '1', '1', '1', '2', '2', '2', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter']) {
        const frame = await page.evaluate(() => Module._lobshot_frame());
        await page.keyboard.press(key);
        await page.waitForFunction(after => Module._lobshot_frame() >= after + 3, {polling: 20}, frame);
      }
      await page.waitForFunction(() => ['Aiming', 'ShotInProgress'].includes(Module.lobshotMode()),
                                 {timeout: 20000, polling: 50}).catch(async error => {
        throw new Error(`${error.message}: ${JSON.stringify(await state(page)).slice(0, 400)}`);
      });
      const [speed, callbacks] = await stepsPerSecond(page, 2000);
      assert.ok(speed > 48 && speed < 52, `${speed.toFixed(1)} steps a second at ${rate} Hz`);
      assert.ok(callbacks > rate / 2, `only ${callbacks} frame callbacks at ${rate} Hz`);
    });
  }
});

test('the still title is drawn once, not at every step', () => pageAtRate(60, '#seed=1', async page => {
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
}));

test('Esc on the title ends the game and the page says so; another game in place plays as the replay runner\'s',
     async () => {
  const script = path.join(SOURCE_DIR, 'tests/scenarios/weapon_shell.script');
  const expected = headless(['--seed', '1', '--script', script, '--frames', '0']);
  await withPage(s, '#seed=1&steps', async page => {
    await page.evaluate(() => { window.lobshotSamePage = true; });
    for (const again of ['click', 'Enter']) {
      await playScript(page, 'wait 4\npress Esc\nwait 1\n');
      assert.equal(await page.evaluate(() => Module.lobshotEnded), 0);
      assert.equal(await news(page), 'The game has ended.Play again');
      if (again === 'click') await page.click('#play-again');
      else await page.keyboard.press('Enter');
      await page.waitForFunction(() => Module.lobshotEnded === undefined && typeof Module.lobshotWake === 'function',
                                 {timeout: 5000});
      assert.equal(await news(page), '');
    }
    assert.ok(await playScript(page, fs.readFileSync(script, 'utf8')), 'an `until` was not reached in the page');
    await assertSameAs(page, expected);
    assert.equal(await page.evaluate(() => [window.lobshotSamePage, Module.lobshotGames].join()), 'true,2');
  });
});
