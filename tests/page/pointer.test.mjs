// Whole matches played on the page by pointer alone: on a phone held sideways by taps, drags and
// the on-screen controls, and on a desktop by the mouse. Each ends in the state and picture that
// lobshot-headless computes from the replay the page recorded: the pointer's keys are the game's.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';

import { decodePng, firstDifference, HEADLESS, launchBrowser, pageOutputs, servePage, waitForGame, watchPage,
         WEB_BUILD_DIR } from './harness.mjs';

const {KnownDevices} = createRequire(path.join(WEB_BUILD_DIR, 'package.json'))('puppeteer-core');
const SPACE = 32;
let server, browser;

before(async () => {
  server = await servePage();
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
  server.close();
});

const step = (page, count) => page.evaluate(n => Module.lobshotStep(n), count);
const mode = page => page.evaluate(() => Module.lobshotMode());
const screen = async page => JSON.parse(await page.evaluate(() => Module.UTF8ToString(Module._lobshot_pointer_screen())));

// Steps until the mode is one of `modes`; false after `limit` steps.
async function stepUntil(page, modes, limit) {
  return page.evaluate((m, n) => Module.lobshotStepUntil(m, n), modes, limit);
}

// A point of the picture (320 x 200) on the page, in the middle of its pixel.
async function onPage(page, x, y) {
  const box = await page.$eval('#screen', canvas => {
    const r = canvas.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height];
  });
  return [box[0] + (x + 0.5) * box[2] / 320, box[1] + (y + 0.5) * box[3] / 200];
}

// The finger: taps and drags on the picture, taps on the controls.
const finger = {
  async tap(page, x, y) {
    const [px, py] = await onPage(page, x, y);
    await page.touchscreen.tap(px, py);
  },
  async drag(page, from, to) {
    const [x0, y0] = await onPage(page, ...from);
    const [x1, y1] = await onPage(page, ...to);
    await page.touchscreen.touchStart(x0, y0);
    for (let i = 1; i <= 4; ++i) await page.touchscreen.touchMove(x0 + (x1 - x0) * i / 4, y0 + (y1 - y0) * i / 4);
    await page.touchscreen.touchEnd();
  },
  async control(page, name) {
    const [x, y] = await page.$eval('#control-' + name, b => {
      const r = b.getBoundingClientRect();
      return [r.left + r.width / 2, r.top + r.height / 2];
    });
    await page.touchscreen.tap(x, y);
  },
};

// The mouse: clicks and drags with the left button; the right button fires.
const mouse = {
  async tap(page, x, y) {
    const [px, py] = await onPage(page, x, y);
    await page.mouse.click(px, py);
  },
  async drag(page, from, to) {
    const [x0, y0] = await onPage(page, ...from);
    const [x1, y1] = await onPage(page, ...to);
    await page.mouse.move(x0, y0);
    await page.mouse.down();
    await page.mouse.move(x1, y1, {steps: 4});
    await page.mouse.up();
  },
  async control(page, name) {
    if (name === 'fire') {
      const [px, py] = await onPage(page, 160, 20);
      return page.mouse.click(px, py, {button: 'right'});
    }
    await page.click('#control-' + name);
  },
};

// The row a menu's full-width Space is on ("Start Game", "Finish").
function spaceRow(shown) {
  return shown.rows.find(row => row.zones.length === 1 && row.zones[0][0] === 0 && row.zones[0][2] === SPACE);
}

// A two-player match of two people from the title to its end, every input `hand`'s: each turn the
// player aims straight up with the least power by a drag and fires, and so drops a shell on itself.
async function playMatch(page, hand) {
  await step(page, 2);
  await hand.tap(page, 160, 100);  // the title
  assert.ok(await stepUntil(page, ['PlayerChoice'], 5), 'a tap on the title plays');
  let shown = await screen(page);
  const start = spaceRow(shown);
  await hand.tap(page, 160, (start.top + start.bottom) >> 1);
  for (let shop = 0; shop < 2; ++shop) {
    assert.ok(await stepUntil(page, ['WeaponShop'], 5), 'the shop opens');
    await step(page, 1);
    const finish = spaceRow(await screen(page));
    await hand.tap(page, 160, (finish.top + finish.bottom) >> 1);
    await step(page, 1);
  }
  let turns = 0;
  while (await stepUntil(page, ['Aiming', 'EndOfMatch'], 5000) && await mode(page) === 'Aiming') {
    assert.ok(++turns <= 40, 'the match ends');
    await step(page, 2);
    shown = await screen(page);
    assert.ok(shown.mayAim, 'a person aims');
    // A tank out of sight is brought into it by the Centre control.
    const inSight = s => s.pivot[0] >= 20 && s.pivot[0] < 300 && s.pivot[1] >= 40 && s.pivot[1] < s.barTop;
    if (!inSight(shown)) {
      await hand.control(page, 'centre');
      for (let i = 0; i < 100 && !inSight(shown); ++i) {
        await step(page, 1);
        shown = await screen(page);
      }
      assert.ok(inSight(shown), `turn ${turns + 1}: the tank is in sight at ${shown.pivot}`);
    }
    const [x, y] = shown.pivot;
    await hand.drag(page, [x + 20, Math.max(y - 40, 2)], [x, y - 1]);
    await step(page, 1);
    await hand.control(page, 'fire');
    assert.ok(await stepUntil(page, ['ShotInProgress'], 200), `turn ${turns}: the shot is fired`);
    const aim = await screen(page);
    assert.deepEqual([aim.angle, aim.power], [90, 1], `turn ${turns}: the barrel was turned to the aim`);
  }
  assert.equal(await mode(page), 'EndOfMatch');
  return turns;
}

// The state and picture lobshot-headless ends in when it plays the page's replay.
function replayed(text) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-pointer-'));
  try {
    const replay = path.join(dir, 'match.lobshot-replay');
    fs.writeFileSync(replay, text);
    const state = path.join(dir, 'state.json'), shot = path.join(dir, 'shot.png');
    const run = spawnSync(HEADLESS, ['--replay', replay, '--state', state, '--screenshot', shot], {encoding: 'utf8'});
    if (run.status !== 0) throw new Error(`lobshot-headless exited with ${run.status}: ${run.stderr}`);
    return {state: fs.readFileSync(state, 'utf8'), image: decodePng(fs.readFileSync(shot))};
  } finally {
    fs.rmSync(dir, {recursive: true});
  }
}

async function samePlayAsReplayed(page, hand) {
  const turns = await playMatch(page, hand);
  const got = await pageOutputs(page);
  const text = await page.evaluate(() => Module.UTF8ToString(Module._lobshot_replay()));
  const expected = replayed(text);
  assert.equal(got.state, expected.state);
  assert.equal(firstDifference(got.image, expected.image), null);
  assert.deepEqual(page.lobshotErrors, []);
  return turns;
}

test('a whole match by taps and drags on a phone held sideways', async () => {
  const page = await browser.newPage();
  await watchPage(page);
  await page.emulate(KnownDevices['Pixel 5 landscape']);
  try {
    await page.goto(server.url + '#seed=11&steps');
    await waitForGame(page);
    assert.ok(await samePlayAsReplayed(page, finger) >= 2);
  } finally {
    await page.close();
  }
});

test('a whole match by the mouse', async () => {
  const page = await browser.newPage();
  await watchPage(page);
  try {
    await page.goto(server.url + '#seed=11&steps');
    await waitForGame(page);
    assert.ok(await samePlayAsReplayed(page, mouse) >= 2);
  } finally {
    await page.close();
  }
});
