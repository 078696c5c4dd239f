// A public relay as scripts/deploy-relay.sh sets it up, end to end in a network namespace of the
// test's own where relay.test is this machine, with a certificate from an authority the test makes:
// nginx serves the page over HTTPS (brotli, its types, revalidated), and the page, in a Chromium
// that trusts the authority (an NSS database in its home), keeps a room through the relay on its
// own origin; a native game that trusts it too (LOBSHOT_RELAY_CA) joins over MQTT with TLS, and
// one that does not, or that names the relay by an address its certificate lacks, is refused with
// the reason. Skipped where nginx or a namespace of one's own is missing.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import https from 'node:https';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';

import { HEADLESS, launchBrowser, openPage, PAGE_DIR, sleep, SOURCE_DIR } from './harness.mjs';

const HOST = 'relay.test';
const run = (command, ...args) => {
  const done = spawnSync(command, args, {encoding: 'utf8'});
  assert.equal(done.status, 0, `${command} ${args.join(' ')}: ${done.stderr}`);
};

// Outside, the test makes the namespace and runs this file again in it.
if (process.env.LOBSHOT_IN_NAMESPACE !== '1') {
  test('a deployed relay over TLS: the page hosts, a trusting game joins, others are refused', t => {
    if (!fs.existsSync('/usr/sbin/nginx')) return t.skip('no nginx here (scripts/install-deps.sh installs it)');
    if (spawnSync('unshare', ['-rnm', 'true']).status !== 0) return t.skip('no network namespace of one\'s own here');
    const inside = spawnSync('unshare', ['-rnm', process.execPath, fileURLToPath(import.meta.url)],
                             {encoding: 'utf8', timeout: 300000, env: {...process.env, LOBSHOT_IN_NAMESPACE: '1'}});
    assert.equal(inside.status, 0, inside.stdout + inside.stderr);
  });
} else {
  test('inside the namespace', async () => {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-deploy-'));
    const children = [];
    let browser;
    try {
      const ca = await deploy(work, children);
      // The page's files, as a browser asks for them.
      for (const [name, type] of [['index.html', 'text/html'], ['index.wasm', 'application/wasm'],
                                  ['manifest.webmanifest', 'application/manifest+json']]) {
        const headers = await headersOf(`https://${HOST}/${name}`, ca);
        assert.deepEqual([headers['content-type'], headers['content-encoding'], headers['cache-control']],
                         [type, 'br', 'no-cache'], name);
      }

      // The page opens a room on its own origin: its links name no other relay.
      browser = await launchBrowser();
      const host = await openPage(browser, `https://${HOST}/`, '#host', undefined, 'Ann');
      const invite = await (await host.waitForSelector('#invite-link')).evaluate(link => link.href);
      const code = /#room=(\w{8})$/.exec(invite)?.[1];
      assert.ok(code, invite);

      const game = (env, relay) => spawn(HEADLESS, ['--relay', relay, '--online', code, '--script', script],
                                         {cwd: work, env: {...process.env, XDG_DATA_HOME: work, ...env}});
      const script = path.join(work, 'guest.script');
      fs.writeFileSync(script, 'wait 100000\n');
      const guest = game({LOBSHOT_RELAY_CA: ca}, `mqtts://${HOST}:8883`);
      children.push(guest);
      await host.waitForFunction(() => JSON.parse(Module.lobshotState()).net.machines === 2, {polling: 100});

      for (const [env, relay] of [[{}, `mqtts://${HOST}:8883`], [{LOBSHOT_RELAY_CA: ca}, 'mqtts://127.0.0.1:8883']]) {
        const refused = game(env, relay);
        let said = '';
        refused.stderr.on('data', data => { said += data; });
        const status = await new Promise(resolve => refused.on('exit', resolve));
        assert.notEqual(status, 0, relay);
        assert.match(said, /the certificate of the relay at \S+:8883 is not trusted/, relay);
      }
      assert.deepEqual(host.lobshotErrors, []);
    } finally {
      await browser?.close();
      for (const child of children) child.kill();
      fs.rmSync(work, {recursive: true, force: true});
    }
  });
}

// Makes the test's authority and a certificate for relay.test alone, trusted by Chromium through an
// NSS database in the home it is given; sets the relay up with scripts/deploy-relay.sh in `work`
// and starts its broker and web server. Returns the authority's certificate.
async function deploy(work, children) {
  run('ip', 'link', 'set', 'lo', 'up');
  fs.writeFileSync(path.join(work, 'hosts'), `127.0.0.1 ${HOST}\n`);
  run('mount', '--bind', path.join(work, 'hosts'), '/etc/hosts');
  const file = name => path.join(work, name);
  const key = ['-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:P-256', '-nodes'];
  run('openssl', 'req', '-x509', ...key, '-keyout', file('ca.key'), '-out', file('ca.pem'), '-days', '2',
      '-subj', '/CN=Lobshot test authority');
  run('openssl', 'req', ...key, '-keyout', file('relay.key'), '-out', file('relay.csr'), '-subj', `/CN=${HOST}`);
  fs.writeFileSync(file('relay.ext'), `subjectAltName=DNS:${HOST}\n`);
  run('openssl', 'x509', '-req', '-in', file('relay.csr'), '-CA', file('ca.pem'), '-CAkey', file('ca.key'),
      '-CAcreateserial', '-days', '2', '-extfile', file('relay.ext'), '-out', file('relay.pem'));
  const nss = path.join(work, 'home/.pki/nssdb');
  fs.mkdirSync(nss, {recursive: true});
  run('certutil', '-N', '-d', `sql:${nss}`, '--empty-password');
  run('certutil', '-A', '-d', `sql:${nss}`, '-t', 'C,,', '-n', 'Lobshot test authority', '-i', file('ca.pem'));
  process.env.HOME = path.join(work, 'home');

  // The deployment's files, served by the servers started here rather than by systemd. The
  // namespace has root alone, so the broker keeps it rather than become its user.
  const stage = file('stage');
  run(path.join(SOURCE_DIR, 'scripts/deploy-relay.sh'), '--stage', stage, HOST, file('relay.pem'), file('relay.key'),
      PAGE_DIR);
  const broker = path.join(stage, 'etc/lobshot-relay/mosquitto.conf');
  fs.appendFileSync(broker, 'user root\n');
  children.push(spawn('/usr/sbin/mosquitto', ['-c', broker], {stdio: 'ignore'}));
  const modules = '/usr/lib/nginx/modules';
  fs.mkdirSync(file('nginx'));
  fs.writeFileSync(file('nginx.conf'), `user root root;
master_process off;
daemon off;
pid ${file('nginx.pid')};
error_log ${file('nginx/error.log')};
load_module ${modules}/ngx_http_brotli_static_module.so;
load_module ${modules}/ngx_http_brotli_filter_module.so;
events {}
http {
  access_log ${file('nginx/access.log')};
  ${['client_body', 'proxy', 'fastcgi', 'uwsgi', 'scgi'].map(t => `${t}_temp_path ${file('nginx/' + t)};`).join('\n  ')}
  include ${stage}/etc/nginx/sites-enabled/*;
}
`);
  children.push(spawn('/usr/sbin/nginx', ['-p', work, '-c', file('nginx.conf')], {stdio: 'ignore'}));
  for (const port of [443, 8883]) await untilAnswers(port);
  return file('ca.pem');
}

async function untilAnswers(port) {
  for (let i = 0; i < 100; ++i) {
    const answered = await new Promise(resolve => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.destroy(); resolve(true); });
      socket.on('error', () => resolve(false));
    });
    if (answered) return;
    await sleep(100);
  }
  throw new Error(`nothing answers on port ${port}`);
}

// The headers of the answer to a GET of `url`, by a client that trusts `ca` and takes brotli.
function headersOf(url, ca) {
  return new Promise((resolve, reject) => {
    https.get(url, {ca: fs.readFileSync(ca), headers: {'Accept-Encoding': 'br'}}, response => {
      response.resume();
      resolve(response.headers);
    }).on('error', reject);
  });
}
