// The page keeps an online room: a phone opens it by taps on the title's offer of online play and
// the online menu's "Open a room", its person names themselves once, a
// second phone joins by the invite link the page shows, a native guest joins by the code, and a
// third page watches; a guest connecting under the host's id costs the room nothing; names and a
// chat line reach everyone, and every machine ends the match alike. Then a room kept from a
// background tab for 20 s goes on at full pace.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';

import { GUEST_SCRIPT, launchBrowser, onPage, openPage, playScript, pointerScreen, sleep, startNativeGuest, startRelay,
         state, step, suite, typeInto, WEB_BUILD_DIR } from './harness.mjs';

const PHONE = 'Pixel 5 landscape';
// The host's person starts a match of three seats: the page's by the link (the first to join), the
// native guest's and an Expert computer's; everyone is live in it from the shop on.
const HOST_SETUP = `press Enter
until PlayerChoice 20
press Right
press 1
press 2 2
press 3 3 3 3 3 3 3
wait 5
press Down Down Down Enter
until WeaponShop 20
`;
const s = suite();

// A page in a browser context of its own (its own storage: a person apart), on a phone.
async function personPage(browser, url, name) {
  return openPage(await browser.createBrowserContext(), url, '', PHONE, name);
}

// Taps, as a finger on a phone, the last line of the screen shown whose key is `key`; the screen's
// mode (7 for the online menu).
async function tapLine(page, key) {
  await step(page, 2);
  const {mode, rows} = await pointerScreen(page);
  const row = rows.findLast(r => r.zones.some(zone => zone[2] === key.charCodeAt(0)));
  assert.ok(row, `no line of ${key} in ${JSON.stringify(rows)}`);
  await page.touchscreen.tap(...await onPage(page, 160, (row.top + row.bottom) >> 1));
  return mode;
}

// Steps a stepped host until `count` machines are in its room.
async function untilMachines(page, count) {
  for (let i = 0; i < 3000 && (await state(page)).net.machines < count; ++i) await step(page, 1);
  assert.equal((await state(page)).net.machines, count);
}

// The state without the machine's own view of the network and its own sounds (a spectator that
// came late played the game so far silently); and what every machine shares of the network's.
const shared = text => text.split('\n').filter(line => !/"(net|sound)":/.test(line)).join('\n');
const people = text => (({names, chat, desync}) => ({names, chat, desync}))(JSON.parse(text).net);

// Types into a field of the stepped host while it goes on stepping, as a page left to itself does:
// the machines of its room, which count real time, keep hearing from it however slow the typing.
async function typeWhileStepping(page, id, text) {
  let typed = false;
  const typing = typeInto(page, id, text).finally(() => { typed = true; });
  while (!typed) await step(page, 1);
  await typing;
}

// A guest of room `code` connects under its host's id, learnt from the host's answer to its search
// (the stepped host answers as it steps). Returns its connections, to end; the seeker's is ended
// here if the second fails.
async function takeHostsId(host, relayPort, code) {
  const mqtt = createRequire(import.meta.url)(path.join(WEB_BUILD_DIR, 'node_modules/mqtt'));
  const connect = clientId => mqtt.connectAsync(`mqtt://127.0.0.1:${relayPort}`, {clientId, username: code}, false);
  const room = `lobshot/${code}/`, seeker = await connect('SEEKER2345678923');
  let hostId = null;
  seeker.on('message', topic => { hostId = topic.split('/').pop(); });
  await seeker.subscribeAsync(`${room}to/SEEKER2345678923/+`);
  await seeker.publishAsync(`${room}host/SEEKER2345678923`, Buffer.from([7, 0, 0, 0, 0, 3]));
  for (let i = 0; i < 500 && !hostId; ++i) await step(host, 1);
  try {
    assert.ok(hostId, 'the host did not answer the search');
    return [seeker, await connect(hostId)];
  } catch (error) {
    seeker.end(true);
    throw error;
  }
}

test('a room kept by a page: friends join by link and code, one watches, and all end alike', async t => {
  const relayPort = await startRelay(s.children);
  // Her phone has not been in a room before: she is asked her name once her room opens.
  const host = await openPage(await s.browser.createBrowserContext(),
                              `${s.server.url}#relay=127.0.0.1:${relayPort + 1}&steps&seed=11`, '', PHONE);
  await host.evaluate(() => localStorage.removeItem('lobshot-name'));
  await tapLine(host, 'O');  // "Tap here to play online"
  assert.equal(await tapLine(host, 'O'), 7, 'a tap on the title\'s offer opens the online menu');
  const opening = step(host, 10);
  await host.waitForSelector('#name-text', {visible: true});
  await typeInto(host, 'name', 'Ann');
  await opening;
  await host.waitForSelector('#invite-link');
  const links = await host.evaluate(() => ({invite: document.getElementById('invite-link').href,
                                            watch: document.getElementById('watch-link').href,
                                            line: document.getElementById('hosting').textContent}));
  const code = /#room=(\w{8})&relay=/.exec(links.invite)[1];
  assert.match(links.line, new RegExp(`^Room ${code} .*Closing this page ends the room\\.$`));
  // Spectators come in by a code of their own, which does not give the room's away.
  const watchCode = /#watch=(\w{8})&relay=/.exec(links.watch)[1];
  assert.notEqual(watchCode, code);
  assert.equal(links.watch, links.invite.replace(`#room=${code}`, `#watch=${watchCode}`));

  // Her name is cleaned as every name is, and kept so as not to be asked again.
  const friend = await personPage(s.browser, links.invite + '&steps', '  Bea ');
  assert.equal(await friend.evaluate(() => localStorage.getItem('lobshot-name')), 'Bea');
  await untilMachines(host, 2);
  const watcher = await openPage(s.browser, links.watch, '&steps');
  // The native guest's person types the code off the host's screen.
  const guest = startNativeGuest(s, relayPort, `${code.slice(0, 4)}-${code.slice(4)}`.toLowerCase(), ['--name', 'Nat']);
  await untilMachines(host, 3);
  // The spectator is in before anyone speaks, so that the chat line reaches it as it is said.
  for (let i = 0; i < 3000 && (await state(host)).net.watchers < 1; ++i) await step(host, 1);
  assert.equal((await state(host)).net.watchers, 1);
  const takers = await takeHostsId(host, relayPort, code);
  t.after(() => { for (const taker of takers) taker.end(true); });
  for (let i = 0; i < 50; ++i) await step(host, 1);
  assert.match(await host.evaluate(() => document.getElementById('hosting').textContent), new RegExp(`^Room ${code} `));
  // (LOBSHOT_SCREENSHOTS=docs/screenshots keeps the picture of the hosting phone.)
  if (process.env.LOBSHOT_SCREENSHOTS)
    await host.screenshot({path: path.join(process.env.LOBSHOT_SCREENSHOTS, 'page-host.png')});

  const watching = watcher.evaluate(() => Module.lobshotStepUntil(['EndOfMatch'], 200000));
  const befriended = playScript(friend, GUEST_SCRIPT);
  for (const running of [watching, befriended]) running.catch(() => {});
  assert.ok(await playScript(host, HOST_SETUP), 'the host could not start the match');
  await typeWhileStepping(host, 'chat', 'Good luck, all!');
  assert.ok(await playScript(host, 'until EndOfMatch 200000\nwait 400'), 'the host stopped short');
  const expected = await host.evaluate(() => Module.lobshotState());
  const ending = playScript(host, 'wait 600');
  assert.ok(await befriended, `the friend's page stopped short at ${friend.lobshotStopped}`);
  assert.ok(await watching, 'the spectator did not see the match end');
  await ending;
  const native = await guest;
  assert.equal(native.status, 0, native.err);

  // The pages follow the host to the frame of its state; the native guest wrote its own at the
  // end too, and the same game at the last turn's start has the same hash everywhere.
  const everyone = [];
  for (const page of [friend, watcher]) {
    await step(page, JSON.parse(expected).frame - await page.evaluate(() => Module._lobshot_frame()));
    const got = await page.evaluate(() => Module.lobshotState());
    assert.equal(shared(got), shared(expected));
    everyone.push(got);
  }
  everyone.push(fs.readFileSync(path.join(s.work, 'guest.json'), 'utf8'));
  const hash = JSON.parse(expected).net.stateHash;
  for (const [who, got] of [['host', expected], ['friend', everyone[0]], ['spectator', everyone[1]],
                            ['native guest', everyone[2]]]) {
    assert.equal(JSON.parse(got).mode, 'EndOfMatch', who);
    assert.equal(JSON.parse(got).net.stateHash, hash, who);
    assert.deepEqual(people(got), {names: ['Ann', 'Bea', 'Nat'], chat: ['Ann: Good luck, all!'], desync: false},
                     who);
  }
  for (const page of [host, friend, watcher]) assert.deepEqual(page.lobshotErrors, []);
  // Closing the host's page, which ends the room, is asked about first.
  const asked = new Promise(resolve => host.once('dialog', dialog => dialog.accept().then(() => resolve(dialog.type()))));
  await host.close({runBeforeUnload: true});
  assert.equal(await asked, 'beforeunload');
});

test('the page keeps its room playing from a background tab', async () => {
  const relayPort = await startRelay(s.children);
  // A browser that slows what is out of sight, as people's do.
  const browser = await launchBrowser(true);
  try {
    const host = await personPage(browser, `${s.server.url}#host&relay=127.0.0.1:${relayPort + 1}`, 'Ann');
    const invite = await (await host.waitForSelector('#invite-link')).evaluate(link => link.href);
    const friend = await personPage(browser, invite, 'Bea');
    await host.waitForFunction(() => JSON.parse(Module.lobshotState()).net.machines === 2, {polling: 50});

    // Another tab in front of the host's: its timers are the browser's slowest from now on.
    await (await host.browserContext().newPage()).bringToFront();
    assert.ok(await host.evaluate(() => document.hidden), 'the host\'s page is still in sight');
    assert.ok(!await friend.evaluate(() => document.hidden), 'the friend\'s page is out of sight');
    const frames = () => Promise.all([host, friend].map(page => page.evaluate(() => Module._lobshot_frame())));
    const before = await frames();
    await sleep(20000);
    const after = await frames();
    // 50 steps a second, less what a loaded machine loses (a slowed timer would give 4).
    for (const i of [0, 1]) assert.ok(after[i] - before[i] > 800, `${before} to ${after} in 20 s`);
    for (const page of [host, friend]) assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await browser.close();
  }
});

test('a page whose relay cannot be reached says so rather than show a room', async () => {
  const host = await personPage(s.browser, `${s.server.url}#host&relay=127.0.0.1:1`, 'Ann');
  await host.waitForFunction(() => /^The relay cannot be reached/.test(document.getElementById('hosting').textContent));
  assert.equal(await host.$('#invite-link'), null);
});
