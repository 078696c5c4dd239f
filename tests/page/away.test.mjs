// The page's person away from an online room's game in its own turn: thinking 30 s in front of a
// busy machine, and the page hidden and frozen by the browser for two minutes, as a phone's is while
// its person answers a message elsewhere. Each page plays Guest 1 in real time against a headless
// host of its own room, and keeps its seat: the host waits for it (saying it is away while it is),
// and the page fires once back.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { before, test } from 'node:test';

import { hostSays, openPage, playScript, sleep, startRelay, startRoomHost, suite } from './harness.mjs';

// The host gives seat 2 to Guest 1 (whose turn comes first with this seed), shops for its own seat
// 1, waits out Guest 1's turn and stops a while into its own.
const HOST_SCRIPT = `until joined 2
wait 5
press Enter
until PlayerChoice 20
press 2
wait 5
press Down Down Down Enter
until WeaponShop 20
press Down Down Down Down Down Down Enter
until Aiming 20000
until ShotInProgress 200000
until Aiming 20000
wait 50
`;

let relayPort;
const s = suite(({work}) => {
  fs.writeFileSync(path.join(work, 'host.script'), HOST_SCRIPT);
  return {};
});
before(async () => { relayPort = await startRelay(s.children); });

// Waits until the page's game is in `mode` and its own moment.
function mine({host, page}, mode) {
  return page.waitForFunction(m => Module.lobshotMode() === m && Module.lobshotMine(), {timeout: 60000, polling: 100},
                              mode).catch(error => {
    throw new Error(`the page never reached its own ${mode} (${error.message}); the host printed:\n${host.out()}`);
  });
}

// A host of its own room and the page joined to it in real time, shopped to its own first turn.
async function toOwnTurn() {
  const host = startRoomHost(s.children, relayPort, s.server.url, ['--seed', '9', '--script', 'host.script'], s.work);
  const {link} = await host.link;
  const game = {host, page: await openPage(s.browser, link, `&relay=127.0.0.1:${relayPort + 1}`)};
  await mine(game, 'WeaponShop');
  await playScript(game.page, 'press Down Down Down Down Down Down Enter');
  await mine(game, 'Aiming');
  return game;
}

// The page, in its turn still, fires; the host ends in its own turn, and Guest 1 was never let go.
async function firesAndKeepsItsSeat(game) {
  const {host, page} = game;
  await mine(game, 'Aiming');
  await playScript(page, 'press Space');
  // (A timer that keeps nothing waiting once the host has ended.)
  const still = new Promise(resolve => setTimeout(resolve, 60000).unref())
                    .then(() => ({status: 'still running', out: host.out(), err: ''}));
  const {status, out, err} = await Promise.race([host.ended, still]);
  assert.equal(status, 0, `${err}\n${out}`);
  assert.doesNotMatch(out, /Guest 1 left/);
  const state = JSON.parse(await page.evaluate(() => Module.lobshotState()));
  assert.deepEqual([state.net.role, state.net.machine], ['join', 1]);
  assert.deepEqual(page.lobshotErrors, []);
  await page.close();
  return out;
}

// The person who thinks does so while the other page is frozen, so that the two minutes pass
// beside the rest.
test('the page keeps its seat while its person thinks or is away', async () => {
  // Another tab in front puts the page in the background, and a while later the browser freezes it.
  const away = await toOwnTurn();
  await (await s.browser.newPage()).bringToFront();
  assert.ok(await away.page.evaluate(() => document.hidden), 'the page is still in sight');
  await hostSays(away.host, /^Notice: Guest 1 is away\r?$/m, 10000);
  const lifecycle = await away.page.createCDPSession();
  await lifecycle.send('Page.setWebLifecycleState', {state: 'frozen'});
  const frozenAt = Date.now();

  const thinking = await toOwnTurn();
  // Both cores busy the whole while, as on a loaded machine.
  const loops = [0, 1].map(() => spawn(process.execPath, ['-e', 'for (;;) {}'], {stdio: 'ignore'}));
  s.children.push(...loops);
  await sleep(30000);
  for (const loop of loops) loop.kill();
  await firesAndKeepsItsSeat(thinking);

  await sleep(120000 - (Date.now() - frozenAt));
  await lifecycle.send('Page.setWebLifecycleState', {state: 'active'});
  await away.page.bringToFront();
  // Its person looks again once it is back in its seat: the frozen page first finds its connection
  // gone and joins again, and a key pressed before it has found out goes with the old connection.
  await hostSays(away.host, /^Notice: Guest 1 is back\r?$/m, 60000);
  await firesAndKeepsItsSeat(away);
});
