// A public relay as scripts/deploy-relay.sh sets it up, end to end in a network namespace of the
// test's own where relay.test is this machine, with a certificate from an authority the test makes:
// nginx serves the page over HTTPS (brotli, its types, revalidated) to a Chromium that trusts the
// authority (an NSS database in its home), and the page keeps a room through the relay on its own
// origin; a native game that trusts it too (LOBSHOT_RELAY_CA) joins over MQTT with TLS, and one that
// does not, or names the relay by an address its certificate lacks, is refused with the reason.
// Skipped where nginx or a namespace of one's own is missing.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';

import { answers, HEADLESS, launchBrowser, openPage, PAGE_DIR, sleep, SOURCE_DIR } from './harness.mjs';

const HOST = 'relay.test';
const run = (...command) => {
  const done = spawnSync(command[0], command.slice(1), {encoding: 'utf8'});
  assert.equal(done.status, 0, `${command.join(' ')}: ${done.stderr}`);
};

// Outside, the test makes the namespace and runs this file again in it.
if (process.env.LOBSHOT_IN_NAMESPACE !== '1') {
  test('a deployed relay over TLS: the page hosts, a trusting game joins, others are refused', t => {
    if (!fs.existsSync('/usr/sbin/nginx')) return t.skip('no nginx here (scripts/install-deps.sh --web installs it)');
    if (spawnSync('unshare', ['-rnm', 'true']).status !== 0) return t.skip('no network namespace of one\'s own here');
    const inside = spawnSync('unshare', ['-rnm', process.execPath, fileURLToPath(import.meta.url)],
                             {encoding: 'utf8', timeout: 300000, env: {...process.env, LOBSHOT_IN_NAMESPACE: '1'}});
    assert.equal(inside.status, 0, inside.stdout + inside.stderr);
  });
} else {
  test('inside the namespace', async () => {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-deploy-'));
    const file = name => path.join(work, name);
    const servers = [];
    let browser;
    try {
      deploy(file, servers);
      for (const port of [443, 8883]) for (let i = 0; i < 100 && !await answers(port); ++i) await sleep(100);

      // The page opens a room on its own origin (its links name no other relay), and fetches its
      // files as the browser does.
      browser = await launchBrowser();
      const host = await openPage(browser, `https://${HOST}/`, '#host', undefined, 'Ann');
      const invite = await (await host.waitForSelector('#invite-link')).evaluate(link => link.href);
      const code = /#room=(\w{8})$/.exec(invite)?.[1];
      assert.ok(code, invite);
      const answered = await host.evaluate(names => Promise.all(names.map(async name => {
        const headers = (await fetch(name, {cache: 'no-store'})).headers;
        return ['content-type', 'content-encoding', 'cache-control'].map(header => headers.get(header)).join();
      })), ['index.wasm', 'manifest.webmanifest']);
      assert.deepEqual(answered, ['application/wasm,br,no-cache', 'application/manifest+json,br,no-cache']);

      fs.writeFileSync(file('guest.script'), 'wait 100000\n');
      const game = (ca, relay) => [HEADLESS, ['--relay', relay, '--online', code, '--script', file('guest.script')],
                                   {encoding: 'utf8', env: {...process.env, XDG_DATA_HOME: work, LOBSHOT_RELAY_CA: ca}}];
      servers.push(spawn(...game(file('ca.pem'), `mqtts://${HOST}:8883`)));
      await host.waitForFunction(() => JSON.parse(Module.lobshotState()).net.machines === 2, {polling: 100});
      for (const [ca, relay] of [['', `mqtts://${HOST}:8883`], [file('ca.pem'), 'mqtts://127.0.0.1:8883']]) {
        const refused = spawnSync(...game(ca, relay));
        assert.notEqual(refused.status, 0, relay);
        assert.match(refused.stderr, /the certificate of the relay at \S+:8883 is not trusted/, relay);
      }
      assert.deepEqual(host.lobshotErrors, []);
    } finally {
      await browser?.close();
      for (const server of servers) server.kill();
      fs.rmSync(work, {recursive: true, force: true});
    }
  });
}

// Makes the authority and a certificate for relay.test alone, which Chromium trusts through the NSS
// database in its home; sets the relay up in `work` with scripts/deploy-relay.sh and starts its
// broker (as the namespace's root: it has no other user) and web server.
function deploy(file, servers) {
  run('ip', 'link', 'set', 'lo', 'up');
  fs.writeFileSync(file('hosts'), `127.0.0.1 ${HOST}\n`);
  run('mount', '--bind', file('hosts'), '/etc/hosts');
  const key = ['-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:P-256', '-nodes', '-days', '2'];
  run('openssl', 'req', '-x509', ...key, '-keyout', file('ca.key'), '-out', file('ca.pem'), '-subj', '/CN=Test CA');
  run('openssl', 'req', '-x509', ...key, '-keyout', file('relay.key'), '-out', file('relay.pem'), '-subj', `/CN=${HOST}`,
      '-CA', file('ca.pem'), '-CAkey', file('ca.key'), '-addext', `subjectAltName=DNS:${HOST}`);
  process.env.HOME = file('home');
  const nss = `sql:${file('home/.pki/nssdb')}`;
  fs.mkdirSync(file('home/.pki/nssdb'), {recursive: true});
  run('certutil', '-N', '-d', nss, '--empty-password');
  run('certutil', '-A', '-d', nss, '-t', 'C,,', '-n', 'Test CA', '-i', file('ca.pem'));

  run(path.join(SOURCE_DIR, 'scripts/deploy-relay.sh'), '--stage', file('stage'), HOST, file('relay.pem'),
      file('relay.key'), PAGE_DIR);
  const broker = file('stage/etc/lobshot-relay/mosquitto.conf');
  fs.appendFileSync(broker, 'user root\n');
  servers.push(spawn('/usr/sbin/mosquitto', ['-c', broker], {stdio: 'ignore'}));
  const temporary = ['client_body', 'proxy', 'fastcgi', 'uwsgi', 'scgi'].map(t => `${t}_temp_path ${file(t)};`);
  const modules = ['static', 'filter'].map(m => `load_module /usr/lib/nginx/modules/ngx_http_brotli_${m}_module.so;`);
  fs.writeFileSync(file('nginx.conf'), `user root root; master_process off; daemon off; pid ${file('nginx.pid')};
    error_log ${file('error.log')}; ${modules.join(' ')} events {}
    http { access_log off; ${temporary.join(' ')} include ${file('stage/etc/nginx/sites-enabled/*')}; }`);
  servers.push(spawn('/usr/sbin/nginx', ['-p', file('.'), '-c', file('nginx.conf')], {stdio: 'ignore'}));
}
