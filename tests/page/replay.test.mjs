// A replay lobshot-headless recorded plays in the page, opened by its link, chosen with "Open a
// replay" or dropped on it, to the very state and picture `lobshot-headless --replay` ends in, and
// holds there until Esc; a bad one only brings a message, and the page plays on.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { assertSameAs, headless, mode, playScript, servePage, SOURCE_DIR, state, suite, withPage } from './harness.mjs';

let work, recorded, expected, steps;

// A replay of `script` recorded by the replay runner, and what the runner ends in when it plays it.
function record(script, seed, name) {
  const file = path.join(work, name);
  headless(['--seed', String(seed), '--script', path.join(SOURCE_DIR, 'tests/scenarios', script), '--record', file]);
  return {file, end: Number(/^end (\d+)$/m.exec(fs.readFileSync(file, 'utf8'))[1])};
}

// Bad files made from the good one: cut short before its end line, and of another version.
function badFiles() {
  const text = fs.readFileSync(recorded, 'utf8');
  const cut = path.join(work, 'cut.lobshot-replay');
  fs.writeFileSync(cut, text.slice(0, text.indexOf('\nend ') + 1));
  const other = path.join(work, 'other.lobshot-replay');
  fs.writeFileSync(other, text.replace(/^rules .*$/m, 'rules 999'));
  return {cut, other};
}

// The recording of Red's shot at Blue, and what the runner ends in when it plays it.
const s = suite(shared => {
  work = shared.work;
  ({file: recorded, end: steps} = record('weapon_shell.script', 1, 'shot.lobshot-replay'));
  expected = headless(['--replay', recorded]);
  const {cut, other} = badFiles();
  return {'games/shot.lobshot-replay': recorded, 'games/cut.lobshot-replay': cut, 'games/other.lobshot-replay': other,
          'games/old.lobshot-replay': path.join(SOURCE_DIR, 'tests/replay/computers/chosen_in_0.1.lobshot-replay'),
          'games/match.lobshot-replay': path.join(work, 'match.lobshot-replay')};
});

const message = page => page.$eval('#replay-message', element => element.textContent);
const buttons = page => page.$$eval('#replay-news button', list => list.map(button => button.textContent));

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
  await assertSameAs(page, expected);
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

test('a replay opened by its link plays as the replay runner plays it, held at its end until Esc', () =>
  withPage(s, '#steps&replay=games/shot.lobshot-replay', async page => {
    await playsToTheEnd(page, '');
    await leave(page);
  }));

test('a replay chosen with "Open a replay" plays the same, again on asking, and then the game', () =>
  withPage(s, '#steps', async page => {
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
  }));

test('a replay whose computers Lobshot 0.1 played stops where they would play, saying why', () =>
  withPage(s, '#replay=games/old.lobshot-replay', async page => {
    await page.waitForFunction(() => /stops/.test(document.getElementById('replay-message').textContent),
                               {timeout: 20000});
    assert.match(await message(page), /^This replay cannot be played: .*old\.lobshot-replay: the replay stops at frame step 15: made by Lobshot 0\.1, whose computer players cannot be played again$/);
    assert.match(page.lobshotErrors.splice(0).join(), /stops at frame step 15/);  // the game says so too
  }));

// Two Hard computers' whole match: minutes at its pace.
test('Space runs a replay fast, and the page answers all the while', async () => {
  const {end} = record('computer_hard_vs_hard.script', 21, 'match.lobshot-replay');
  await withPage(s, '#replay=games/match.lobshot-replay', async page => {
    await page.bringToFront();
    await playScript(page, 'press Space\n');
    const seen = new Set();
    let frame = 0;
    for (const giveUp = Date.now() + 60000; frame < end && Date.now() < giveUp;) {
      seen.add(frame = (await state(page)).frame);
      await new Promise(resolve => setTimeout(resolve, 50));
    }
    assert.equal(frame, end);
    assert.ok(seen.size >= 5, `the page answered at frames ${[...seen]} only`);
  });
});

// Each brings its message, and the game still takes keys: from the title to the player choice.
test('a bad replay brings a clear message and the game on the page plays on', async t => {
  const address = name => new URL('games/' + name, s.server.url).href;
  const other = await servePage({'games/shot.lobshot-replay': recorded});
  const elsewhere = new URL('games/shot.lobshot-replay', other.url).href;
  const cases = [
    ['cut short, by its link', 'games/cut.lobshot-replay', new RegExp('^This replay cannot be played: ' +
      address('cut.lobshot-replay').replace(/[.?]/g, '\\$&') + ': line \\d+: the file ends before its end line$')],
    ['missing at its link', 'games/gone.lobshot-replay',
     `The replay at ${address('gone.lobshot-replay')} could not be fetched: the server answered 404 Not Found.`],
    ['on another server that does not let other pages read it', encodeURIComponent(elsewhere),
     `The replay at ${elsewhere} could not be fetched: no answer came ` +
     '(is the address right, and does its server let other pages read it?).'],
  ];
  try {
    for (const [name, link, expected] of cases) {
      await t.test(name, () => withPage(s, '#steps&replay=' + link, async page => {
        if (typeof expected === 'string') assert.equal(await message(page), expected);
        else assert.match(await message(page), expected);
        assert.ok(await playScript(page, 'wait 2\npress Enter\nuntil PlayerChoice 5\n'));
      }));
    }
  } finally {
    other.close();
  }

  await t.test('of another version, chosen; not a replay, and too long, dropped', () => withPage(s, '#steps', async page => {
    await page.evaluate(() => { window.stillHere = true; });
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#replay-open')]);
    await chooser.accept([path.join(work, 'other.lobshot-replay')]);
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
                 'This replay cannot be played: huge.lobshot-replay: line 0: the file is longer than a replay can be');
    assert.equal(await page.evaluate(() => window.stillHere), true);
    assert.ok(await playScript(page, 'wait 2\npress Enter\nuntil PlayerChoice 5\n'));
  }));
});
