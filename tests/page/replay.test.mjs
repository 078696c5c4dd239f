// A replay lobshot-headless recorded plays in the page, opened by its link, chosen with "Open a
// replay" or dropped on it, to the very state and picture `lobshot-headless --replay` ends in, and
// holds there until Esc; a bad one only brings a message, and the page plays on.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { decodePng, firstDifference, HEADLESS, launchBrowser, openPage, pageOutputs, playScript, servePage,
         SOURCE_DIR } from './harness.mjs';

let dir, server, browser, recorded, expected, steps;

function runHeadless(args) {
  const run = spawnSync(HEADLESS, args, {encoding: 'utf8'});
  if (run.status !== 0) throw new Error(`lobshot-headless ${args.join(' ')} exited with ${run.status}: ${run.stderr}`);
}

// Red's shot at Blue, recorded by the replay runner, and what the runner ends in when it plays it.
function recordShot() {
  recorded = path.join(dir, 'shot.lobshot-replay');
  runHeadless(['--seed', '1', '--script', path.join(SOURCE_DIR, 'tests/scenarios/weapon_shell.script'),
               '--record', recorded]);
  const state = path.join(dir, 'state.json'), shot = path.join(dir, 'shot.png');
  runHeadless(['--replay', recorded, '--state', state, '--screenshot', shot]);
  expected = {state: fs.readFileSync(state, 'utf8'), image: decodePng(fs.readFileSync(shot))};
  steps = Number(/^end (\d+)$/m.exec(fs.readFileSync(recorded, 'utf8'))[1]);
}

// Bad files made from the good one: cut short before its end line, and of another version.
function badFiles() {
  const text = fs.readFileSync(recorded, 'utf8');
  const cut = path.join(dir, 'cut.lobshot-replay');
  fs.writeFileSync(cut, text.slice(0, text.indexOf('\nend ') + 1));
  const other = path.join(dir, 'other.lobshot-replay');
  fs.writeFileSync(other, text.replace(/^rules .*$/m, 'rules 999'));
  return {cut, other};
}

before(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-page-replay-'));
  recordShot();
  const {cut, other} = badFiles();
  server = await servePage({'games/shot.lobshot-replay': recorded, 'games/cut.lobshot-replay': cut,
                            'games/other.lobshot-replay': other,
                            'games/old.lobshot-replay': path.join(SOURCE_DIR, 'tests/replay/computers/chosen_in_0.1.lobshot-replay'),
                            'games/match.lobshot-replay': path.join(dir, 'match.lobshot-replay')});
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
  server.close();
  fs.rmSync(dir, {recursive: true});
});

const message = page => page.$eval('#replay-message', element => element.textContent);
const buttons = page => page.$$eval('#replay-news button', list => list.map(button => button.textContent));
const mode = page => page.evaluate(() => Module.lobshotMode());

// The page loaded anew, with steps, waits for its first step.
async function reloaded(page, action) {
  await Promise.all([page.waitForNavigation(), action()]);
  await page.waitForFunction(() => typeof Module !== 'undefined' && Module.lobshotReadyAt !== undefined);
}

// Steps past the recording's end (the page holds its last picture) and compares with the runner,
// keys pressed on the way reaching nothing but the player.
async function playsToTheEnd(page, keys) {
  assert.match(await message(page),
               /^Watching .*shot\.lobshot-replay: Space switches fast-forward on and off, Esc leaves it\.$/);
  await playScript(page, `wait ${Math.floor(steps / 2)}\n${keys}\nwait ${steps - Math.floor(steps / 2) + 20}\n`);
  const got = await pageOutputs(page);
  assert.equal(got.state, expected.state);
  assert.equal(firstDifference(got.image, expected.image), null);
}

// Esc leaves the replay: the page offers to play, or to watch it again.
async function leave(page) {
  await playScript(page, 'press Esc\nwait 1\n');
  assert.equal(await page.evaluate(() => Module.lobshotEnded), 0);
  assert.equal(await message(page), 'The replay has ended.');
  assert.deepEqual(await buttons(page), ['Play', 'Watch again']);
}

const clickButton = (page, label) => page.$$eval('#replay-news button', (list, text) =>
  list.find(button => button.textContent === text).click(), label);

test('a replay opened by its link plays as the replay runner plays it, held at its end until Esc', async () => {
  const page = await openPage(browser, server.url, '#steps&replay=games/shot.lobshot-replay');
  try {
    await playsToTheEnd(page, '');
    await leave(page);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});

test('a replay chosen with "Open a replay" plays the same, again on asking, and then the game', async () => {
  const page = await openPage(browser, server.url, '#steps');
  try {
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#replay-open')]);
    await reloaded(page, () => chooser.accept([recorded]));
    await playsToTheEnd(page, 'press Left Up Down Enter');
    await leave(page);

    await reloaded(page, () => clickButton(page, 'Watch again'));
    await playsToTheEnd(page, '');
    await leave(page);

    await reloaded(page, () => clickButton(page, 'Play'));
    assert.equal(new URL(page.url()).hash, '#steps');
    assert.equal(await mode(page), 'Title');
    assert.equal(await page.$eval('#replay-news', element => element.hidden), true);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});

test('a replay whose computers Lobshot 0.1 played stops where they would play, saying why', async () => {
  const page = await openPage(browser, server.url, '#replay=games/old.lobshot-replay');
  try {
    await page.waitForFunction(() => /stops/.test(document.getElementById('replay-message').textContent),
                               {timeout: 20000});
    assert.match(await message(page), /^This replay cannot be played: .*old\.lobshot-replay: the replay stops at frame step 15: made by Lobshot 0\.1, whose computer players cannot be played again$/);
  } finally {
    await page.close();
  }
});

test('Space runs a replay fast, and the page answers all the while', async () => {
  // Two Hard computers' whole match: minutes at its pace.
  const match = path.join(dir, 'match.lobshot-replay');
  runHeadless(['--seed', '21', '--script', path.join(SOURCE_DIR, 'tests/scenarios/computer_hard_vs_hard.script'),
               '--record', match]);
  const end = Number(/^end (\d+)$/m.exec(fs.readFileSync(match, 'utf8'))[1]);
  const page = await openPage(browser, server.url, '#replay=games/match.lobshot-replay');
  try {
    await page.bringToFront();
    await playScript(page, 'press Space\n');
    const seen = new Set();
    let frame = 0;
    for (const giveUp = Date.now() + 60000; frame < end && Date.now() < giveUp;) {
      frame = JSON.parse(await page.evaluate(() => Module.lobshotState())).frame;
      seen.add(frame);
      await new Promise(resolve => setTimeout(resolve, 50));
    }
    assert.equal(frame, end);
    assert.ok(seen.size >= 5, `the page answered at frames ${[...seen]} only`);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});

test('a bad replay brings a clear message and the game on the page plays on', async t => {
  // The game still takes keys: from the title to the player choice.
  async function playsOn(page) {
    assert.ok(await playScript(page, 'wait 2\npress Enter\nuntil PlayerChoice 5\n'));
    assert.deepEqual(page.lobshotErrors, []);
  }
  const address = name => new URL('games/' + name, server.url).href;

  await t.test('cut short, by its link', async () => {
    const page = await openPage(browser, server.url, '#steps&replay=games/cut.lobshot-replay');
    try {
      assert.match(await message(page), new RegExp('^This replay cannot be played: ' +
        address('cut.lobshot-replay').replace(/[.?]/g, '\\$&') + ': line \\d+: the file ends before its end line$'));
      await playsOn(page);
    } finally {
      await page.close();
    }
  });

  await t.test('missing at its link', async () => {
    const page = await openPage(browser, server.url, '#steps&replay=games/gone.lobshot-replay');
    try {
      assert.equal(await message(page), `The replay at ${address('gone.lobshot-replay')} could not be fetched: ` +
                                        'the server answered 404 Not Found.');
      await playsOn(page);
    } finally {
      await page.close();
    }
  });

  await t.test('on another server that does not let other pages read it', async () => {
    const other = await servePage({'games/shot.lobshot-replay': recorded});
    const elsewhere = new URL('games/shot.lobshot-replay', other.url).href;
    const page = await openPage(browser, server.url, '#steps&replay=' + encodeURIComponent(elsewhere));
    try {
      assert.equal(await message(page), `The replay at ${elsewhere} could not be fetched: no answer came ` +
                                        '(is the address right, and does its server let other pages read it?).');
      await playsOn(page);
    } finally {
      await page.close();
      other.close();
    }
  });

  await t.test('of another version, chosen; not a replay, and too long, dropped', async () => {
    const page = await openPage(browser, server.url, '#steps');
    try {
      await page.evaluate(() => { window.stillHere = true; });
      const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#replay-open')]);
      await chooser.accept([path.join(dir, 'other.lobshot-replay')]);
      await page.waitForFunction(() => !document.getElementById('replay-news').hidden);
      assert.match(await message(page), new RegExp('^This replay cannot be played: other\\.lobshot-replay: line 2: ' +
                                                   'made by the rules of version 999, but this game has version '));

      const drop = (name, size, text) => page.evaluate(async (name, size, text) => {
        document.getElementById('replay-news').hidden = true;
        const bytes = new Uint8Array(size);
        bytes.set(new TextEncoder().encode(text));
        const carried = new DataTransfer();
        carried.items.add(new File([bytes], name));
        window.dispatchEvent(new DragEvent('drop', {dataTransfer: carried, cancelable: true}));
        const news = document.getElementById('replay-news');
        while (news.hidden) await new Promise(resolve => setTimeout(resolve, 10));
        return document.getElementById('replay-message').textContent;
      }, name, size, text);
      assert.equal(await drop('notes.txt', 12, 'Shopping\n'),
                   'This replay cannot be played: notes.txt: line 1: this is not a Lobshot replay');
      assert.equal(await drop('huge.lobshot-replay', 64 * 1024 * 1024 + 1, 'lobshot-replay 1\n'),
                   'This replay cannot be played: huge.lobshot-replay: line 0: ' +
                   'the file is longer than a replay can be');
      assert.equal(await page.evaluate(() => window.stillHere), true);
      await playsOn(page);
    } finally {
      await page.close();
    }
  });
});
