// The page in a real browser computes exactly the game lobshot-headless computes: the same seed and
// the same keys, sent as real keyboard events, give the same state snapshot and the same pixels.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { firstDifference, headlessOutputs, launchBrowser, openPage, pageOutputs, playScript, scriptArgs,
         servePage, SOURCE_DIR } from './harness.mjs';

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

test('a whole two-player match of computers, chosen with keys', () => samePlay(scenario('computer_hard_vs_hard')));

test('the game in the background: frames do nothing and keys reach nobody', () => samePlay(scenario('activation')));
