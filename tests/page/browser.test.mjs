// The page in a real browser computes exactly the game lobshot-headless computes: the same seed and
// the same keys, sent as real keyboard events, give the same state snapshot and the same pixels.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { assertSameAs, headless, PAGE_DIR, PAGE_FILES, playScript, scriptArgs, sleep, SOURCE_DIR, state, step,
         suite, withPage } from './harness.mjs';

const s = suite();

// Plays one scenario in the page and in lobshot-headless and compares what they end with.
function samePlay(scriptFile) {
  const text = fs.readFileSync(scriptFile, 'utf8');
  const {seed, frames} = scriptArgs(text);
  const expected = headless(['--seed', String(seed), '--script', scriptFile, '--frames', String(frames)]);
  return withPage(s, `#seed=${seed}&steps`, async page => {
    assert.ok(await playScript(page, text), 'an `until` was not reached in the page');
    if (frames > 0) await step(page, frames);
    await assertSameAs(page, expected);
  });
}

test('the page plays as the replay runner', async t => {
  const scenarios = ['first_aiming_turn', 'weapon_shell', 'weapon_sod_salvo', 'weapon_firework', 'weapon_earth_mover',
                     'weapon_lava', 'weapon_a_bomb', 'computer_hard_vs_hard', 'activation', 'esc_on_title'];
  for (const name of scenarios)
    await t.test(name, () => samePlay(path.join(SOURCE_DIR, 'tests/scenarios', name + '.script')));
  await t.test('a whole match of two people', () => samePlay(path.join(SOURCE_DIR, 'tests/page/two_people_one_match.script')));
});

test('the page: at most 2.2 MB, the picture at 4:3 with sharp pixels, keys kept from the browser', async () => {
  const bytes = PAGE_FILES.reduce((sum, name) => sum + fs.statSync(path.join(PAGE_DIR, name)).size, 0);
  assert.ok(bytes <= 2200000, `the page's files hold ${bytes} bytes`);

  await withPage(s, '#seed=1&steps', async page => {
    const box = () => page.evaluate(() => {
      const canvas = document.getElementById('screen');
      return [canvas.clientWidth, canvas.clientHeight, getComputedStyle(canvas).imageRendering];
    });
    assert.deepEqual(await box(), [960, 720, 'pixelated']);
    await page.setViewport({width: 1000, height: 500});
    await page.waitForFunction(() => document.getElementById('screen').clientHeight !== 720, {timeout: 5000})
      .catch(() => {});
    assert.deepEqual(await box(), [666, 500, 'pixelated']);

    // The keys of the game never scroll or leave the page; the browser's own commands still work.
    const prevented = await page.evaluate(() => {
      const keys = [['Space', ' '], ['ArrowDown', 'ArrowDown'], ['ArrowLeft', 'ArrowLeft'], ['F1', 'F1'],
                    ['Backspace', 'Backspace'], ['KeyQ', 'q'], ['F5', 'F5'], ['KeyR', 'r', true]];
      return keys.map(([code, key, ctrlKey]) => {
        const event = new KeyboardEvent('keydown', {code, key, ctrlKey: !!ctrlKey, cancelable: true});
        window.dispatchEvent(event);
        return event.defaultPrevented;
      });
    });
    assert.deepEqual(prevented, [true, true, true, true, true, true, false, false]);

    // F11 and Alt+Enter ask for full screen; the game hears neither.
    await page.evaluate(() => {
      Module.lobshotToggles = 0;
      Module.lobshotToggleFullscreen = () => ++Module.lobshotToggles;
    });
    await step(page, 1);
    const {frame} = await state(page);
    await playScript(page, 'press F11\ndown Alt\npress Enter\nup Alt\nwait 1\n');
    assert.equal(await page.evaluate(() => Module.lobshotToggles), 2);
    assert.deepEqual([(await state(page)).mode, (await state(page)).frame], ['Title', frame + 1]);
  });
});

test('losing the focus freezes the game and silences it; sound starts at the first key', () =>
  withPage(s, '#seed=1', async page => {
    await page.bringToFront();
    const later = async ms => { await sleep(ms); return (await state(page)).frame; };
    assert.equal(await page.evaluate(() => Module.lobshotAudio), undefined);
    await playScript(page, 'press Shift\n');
    await page.waitForFunction(() => Module.lobshotAudio && Module.lobshotAudio.state === 'running');

    const start = await later(0);
    assert.ok(await later(300) > start, 'the game runs while the page has the focus');
    await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
    await page.waitForFunction(() => Module.lobshotAudio.state === 'suspended');
    const frozen = await later(100);
    assert.equal((await state(page)).active, false);
    assert.equal(await later(300), frozen, 'no frame steps in the background');

    await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
    await page.waitForFunction(() => Module.lobshotAudio.state === 'running');
    assert.ok(await later(300) > frozen, 'the game goes on when the page has the focus again');
  }));

test('with steps, every step hands the sound one tick of samples, as every frame does', () =>
  withPage(s, '#seed=1&steps', async page => {
    await playScript(page, 'press Shift\nwait 1\n');
    await page.waitForFunction(() => Module.lobshotAudio && Module.lobshotAudio.state === 'running');
    await page.evaluate(() => {
      const context = Module.lobshotAudio;
      const make = context.createBuffer.bind(context);
      Module.buffersMade = 0;
      context.createBuffer = (...args) => { ++Module.buffersMade; return make(...args); };
    });
    const made = [];
    for (let i = 0; i < 10; ++i) made.push(await page.evaluate(async () => { await Module.lobshotStep(1); return Module.buffersMade; }));
    assert.deepEqual(made, [1, 2, 3, 4, 5, 6, 7, 8, 9, 10]);
  }));
