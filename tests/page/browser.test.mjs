// The page in a real browser computes exactly the game lobshot-headless computes: the same seed and
// the same keys, sent as real keyboard events, give the same state snapshot and the same pixels.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { firstDifference, headlessOutputs, launchBrowser, openPage, PAGE_DIR, PAGE_FILES, pageOutputs,
         playScript, scriptArgs, servePage, SOURCE_DIR } from './harness.mjs';

const SCENARIOS = path.join(SOURCE_DIR, 'tests', 'scenarios');
let server, browser;

before(async () => {
  server = await servePage();
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
  server.close();
});

// Plays one scenario in the page and in lobshot-headless and compares what they end with.
async function samePlay(scriptFile) {
  const text = fs.readFileSync(scriptFile, 'utf8');
  const {seed, frames} = scriptArgs(text);
  const expected = headlessOutputs(scriptFile, seed, frames);
  const page = await openPage(browser, server.url, `#seed=${seed}&steps`);
  try {
    assert.ok(await playScript(page, text), 'an `until` was not reached in the page');
    if (frames > 0) await page.evaluate(count => Module.lobshotStep(count), frames);
    const got = await pageOutputs(page);
    assert.equal(got.state, expected.state);
    assert.equal(firstDifference(got.image, expected.image), null);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
}

const scenario = name => path.join(SCENARIOS, name + '.script');

test('from the title to the first aiming turn', () => samePlay(scenario('first_aiming_turn')));

test('a shot of each weapon', async t => {
  for (const weapon of ['shell', 'sod_salvo', 'firework', 'earth_mover', 'lava', 'a_bomb'])
    await t.test(weapon, () => samePlay(scenario('weapon_' + weapon)));
});

test('a whole two-player match', async t => {
  await t.test('of two people', () => samePlay(path.join(SOURCE_DIR, 'tests/page/two_people_one_match.script')));
  await t.test('of two computers, chosen with keys', () => samePlay(scenario('computer_hard_vs_hard')));
});

test('the game in the background: frames do nothing and keys reach nobody', () => samePlay(scenario('activation')));

test('Esc on the title ends the game, and the page says so', async () => {
  await samePlay(scenario('esc_on_title'));
  const page = await openPage(browser, server.url, '#seed=7&steps');
  try {
    await playScript(page, 'wait 4\npress Esc\nwait 1\n');
    assert.equal(await page.evaluate(() => Module.lobshotEnded), 0);
    assert.equal(await page.evaluate(() => document.getElementById('news').textContent),
                 'The game has ended.Play again');
  } finally {
    await page.close();
  }
});

test('the page: at most 2 MB, the picture at 4:3 with sharp pixels, keys kept from the browser', async () => {
  const bytes = PAGE_FILES.reduce((sum, name) => sum + fs.statSync(path.join(PAGE_DIR, name)).size, 0);
  assert.ok(bytes <= 2000000, `the page's files hold ${bytes} bytes`);

  const page = await openPage(browser, server.url, '#seed=1&steps');
  try {
    const box = async () => page.evaluate(() => {
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
    const before = await page.evaluate(() => Module.lobshotState());
    await playScript(page, 'wait 1\n');
    const after = JSON.parse(await page.evaluate(() => Module.lobshotState()));
    await playScript(page, 'press F11\ndown Alt\npress Enter\nup Alt\nwait 1\n');
    assert.equal(await page.evaluate(() => Module.lobshotToggles), 2);
    const pressed = JSON.parse(await page.evaluate(() => Module.lobshotState()));
    assert.equal(pressed.mode, 'Title');
    assert.equal(pressed.frame, after.frame + 1);
    assert.notEqual(before, '');
  } finally {
    await page.close();
  }
});

test('losing the focus freezes the game and silences it; sound starts at the first key', async () => {
  const page = await openPage(browser, server.url, '#seed=1');
  try {
    await page.bringToFront();
    const frame = async () => JSON.parse(await page.evaluate(() => Module.lobshotState())).frame;
    const later = async ms => { await new Promise(resolve => setTimeout(resolve, ms)); return frame(); };
    assert.equal(await page.evaluate(() => Module.lobshotAudio), undefined);
    await playScript(page, 'press Shift\n');
    await page.waitForFunction(() => Module.lobshotAudio && Module.lobshotAudio.state === 'running');

    const start = await frame();
    assert.ok(await later(300) > start, 'the game runs while the page has the focus');
    await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
    await page.waitForFunction(() => Module.lobshotAudio.state === 'suspended');
    const frozen = await later(100);
    assert.equal(JSON.parse(await page.evaluate(() => Module.lobshotState())).active, false);
    assert.equal(await later(300), frozen, 'no frame steps in the background');

    await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
    await page.waitForFunction(() => Module.lobshotAudio.state === 'running');
    assert.ok(await later(300) > frozen, 'the game goes on when the page has the focus again');
  } finally {
    await page.close();
  }
});

test('with steps, every step hands the sound one tick of samples, as every frame does', async () => {
  const page = await openPage(browser, server.url, '#seed=1&steps');
  try {
    await playScript(page, 'press Shift\nwait 1\n');
    await page.waitForFunction(() => Module.lobshotAudio && Module.lobshotAudio.state === 'running');
    await page.evaluate(() => {
      const context = Module.lobshotAudio;
      const make = context.createBuffer.bind(context);
      Module.buffersMade = [];
      context.createBuffer = (channels, frames, rate) => {
        Module.buffersMade.push(frames);
        return make(channels, frames, rate);
      };
    });
    const made = [];
    for (let i = 0; i < 10; ++i) {
      await page.evaluate(() => Module.lobshotStep(1));
      made.push(await page.evaluate(() => Module.buffersMade.splice(0).length));
    }
    assert.deepEqual(made, Array(10).fill(1));
  } finally {
    await page.close();
  }
});
