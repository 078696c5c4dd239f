// The page as a guest of an online room: a relay on free ports of 127.0.0.1, a lobshot-headless host
// with a script, a lobshot-headless guest, and the page joining by the link the host gives, playing
// its seat by real key presses through the relay's WebSocket listener, one match to its end, while a
// second page watches it. The host's game, the native guest's, the page's and the spectator's end
// alike.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { GUEST_SCRIPT, hostSays, openPage, playScript, SOURCE_DIR, startNativeGuest, startRelay, startRoomHost, step, suite }
  from './harness.mjs';

const HOST_SCRIPT = path.join(SOURCE_DIR, 'tests/page/room_host.script');
const s = suite();

// What the match left each seat with, which stands still on the end-of-match screen.
const outcome = state => JSON.parse(state).players.list.map(
    ({name, inGame, alive, cash, profit, armour, stock}) => ({name, inGame, alive, cash, profit, armour, stock}));

// The state without the machine's own view of the network.
const shared = state => state.split('\n').filter(line => !line.includes('"net":')).join('\n');

test('the page joins a room by the host\'s link and plays its seat through a match beside a native guest', async () => {
  const relayPort = await startRelay(s.children);
  const host = startRoomHost(s.children, relayPort, s.server.url, ['--seed', '11', '--script', HOST_SCRIPT], s.work);
  const {link, code, watchLink, watchCode} = await host.link;
  assert.equal(link, `${s.server.url}#room=${code}`);
  assert.equal(watchLink, `${s.server.url}#watch=${watchCode}`);

  const page = await openPage(s.browser, link, `&relay=127.0.0.1:${relayPort + 1}&steps`);
  // A second page watches the room from the start, stepped beside the guest to the match's end.
  const watcher = await openPage(s.browser, watchLink, `&relay=127.0.0.1:${relayPort + 1}&steps`);
  let guest;
  try {
    const watching = watcher.evaluate(() => Module.lobshotStepUntil(['EndOfMatch'], 200000));
    watching.catch(() => {});  // (awaited below; a failure before then closes the page under it)
    const playing = playScript(page, GUEST_SCRIPT);
    playing.catch(() => {});
    // The native guest joins once the page has (as it starts to run), so that the page is Guest 1.
    await hostSays(host, /Guest 1 joined/);
    guest = startNativeGuest(s, relayPort, code);
    // What the host printed tells which machine stopped and why, should the page's play stop short.
    assert.ok(await playing, `${page.lobshotStopped} was not reached; the host printed:\n${host.out().slice(-2000)}`);
    assert.ok(await watching, 'the spectator did not see the match end');
    const {status, out, err} = await host.ended;
    assert.equal(status, 0, err);
    const guestEnd = await guest;
    assert.equal(guestEnd.status, 0, guestEnd.err);
    // The host's screen shows the link beside the code.
    assert.match(out, new RegExp(`^Notice: Room code: ${code}, watch: ${watchCode} ${link.replace(/[.?*+^$()[\]{}|\\]/g, '\\$&')} `, 'm'));

    // The host wrote its state a while into the end of the match, its own moment, and ran on; the
    // page follows it there from the keys it holds.
    const expected = fs.readFileSync(path.join(s.work, 'host.json'), 'utf8');
    const frames = JSON.parse(expected).frame - await page.evaluate(() => Module._lobshot_frame());
    assert.ok(frames >= 0, 'the page ran ahead of the host');
    await step(page, frames);
    const got = await page.evaluate(() => Module.lobshotState());
    assert.equal(JSON.parse(got).mode, 'EndOfMatch');
    assert.equal(shared(got), shared(expected));
    const {net: seen} = JSON.parse(got);
    assert.deepEqual([seen.role, seen.machine, seen.room], ['join', 1, code]);
    // The native guest played the same match: the same outcome, and the same game at the last turn's
    // start by the hash every machine compares.
    const native = fs.readFileSync(path.join(s.work, 'guest.json'), 'utf8');
    assert.equal(JSON.parse(native).mode, 'EndOfMatch');
    assert.deepEqual(outcome(native), outcome(expected));
    const {net: nativeNet} = JSON.parse(native);
    assert.deepEqual([nativeNet.role, nativeNet.machine, nativeNet.desync, nativeNet.stateHash],
                     ['join', 2, false, JSON.parse(expected).net.stateHash]);
    assert.deepEqual(page.lobshotErrors, []);

    // The spectator saw the same game, and the game never counted it among the machines.
    const behind = JSON.parse(expected).frame - await watcher.evaluate(() => Module._lobshot_frame());
    assert.ok(behind >= 0, 'the spectator ran ahead of the host');
    await step(watcher, behind);
    const watched = await watcher.evaluate(() => Module.lobshotState());
    assert.equal(shared(watched), shared(expected));
    const {net: watchedNet} = JSON.parse(watched);
    assert.deepEqual([watchedNet.role, watchedNet.machine, watchedNet.machines, watchedNet.room],
                     ['watch', -1, 3, watchCode]);
    assert.deepEqual(watcher.lobshotErrors, []);
  } finally {
    await page.close();
    await watcher.close();
  }
});
