// The page's online menu: on a page with no room in its address, the person opens the menu with O,
// chooses "Join a room", types the code of a lobshot-headless host's room and joins it through the
// relay's WebSocket listener.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { framesPass, hostSays, mode, openPage, playScript, startRelay, startRoomHost, suite } from './harness.mjs';

const s = suite();

test('the page joins a room by the code typed on its online menu', async () => {
  const relayPort = await startRelay(s.children);
  const script = path.join(s.work, 'host.script');
  fs.writeFileSync(script, 'until joined 2\nwait 5\n');
  const host = startRoomHost(s.children, relayPort, s.server.url, ['--seed', '3', '--script', script], s.work);
  const {code} = await host.link;
  // (Not stepped: a stepped page is the replay runner's twin, without online play.)
  const page = await openPage(s.browser, s.server.url, `#relay=127.0.0.1:${relayPort + 1}`);
  try {
    for (const keys of ['O', 'J', [...code].join(' ') + ' Enter']) {
      await playScript(page, `press ${keys}`);
      await framesPass(page, 10);
    }
    await hostSays(host, /Guest 1 joined/);
    assert.equal(await mode(page), 'Title');
    assert.equal((await host.ended).status, 0);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
});
