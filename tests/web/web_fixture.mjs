// Shared set-up of the browser tests: a folder prepared and served by
// scripts/serve (lighttpd on a free port, reached at 127.0.0.1; on request with
// a user and HTTPS), headless Chromium driven by playwright-core, and helpers to
// read and reset the list file.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import https from 'node:https';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, '..', '..');
export const buildDir = process.env.VARNO_BUILD_DIR || path.join(repoRoot, 'build');
export const artifactsDir = path.join(buildDir, 'test-artifacts');

// The program broadcasts a notice when it fails: these tests run it (through
// the bridge) and so must run where only loopback exists.
export function requireIsolation() {
  const names = Object.keys(os.networkInterfaces());
  const devices = fs.readFileSync('/proc/net/dev', 'utf8').split('\n').slice(2)
    .map((line) => line.split(':')[0].trim()).filter(Boolean);
  if (devices.length !== 1 || devices[0] !== 'lo' || names.some((name) => name !== 'lo')) {
    throw new Error('browser tests must run inside a private network namespace ' +
                    '(use scripts/test or scripts/isolated)');
  }
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// The status of a GET of `url`; over HTTPS only with the certificate `ca`.
function probe(url, { ca, auth } = {}) {
  return new Promise((resolve, reject) => {
    const client = url.startsWith('https:') ? https : http;
    const request = client.get(url, { ca, auth }, (answer) => {
      answer.resume();
      resolve(answer.statusCode);
    });
    request.on('error', reject);
  });
}

async function waitForServer(url, child, output, { cert, auth } = {}) {
  const deadline = Date.now() + 60000;
  while (Date.now() < deadline) {
    if (child.exitCode !== null) throw new Error(`scripts/serve ended early:\n${output.text}`);
    try {
      // The certificate is made by scripts/serve before its server starts.
      const ca = cert ? fs.readFileSync(cert) : undefined;
      if (await probe(url, { ca, auth }) === 200) return;
    } catch {
      // Not listening yet.
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`scripts/serve did not answer in time:\n${output.text}`);
}

// One served folder and one browser for a test file. With `user` ({ name,
// password }) the folder gets that user before it is served; with `tls` it is
// served over HTTPS, listening on every address of the test's namespace; with
// `browser` the browser context takes those options (a phone's screen).
export class WebUI {
  async start({ user = null, tls = false, browser = {} } = {}) {
    requireIsolation();
    this.folder = fs.mkdtempSync(path.join(os.tmpdir(), 'varno-web-'));
    this.port = await freePort();
    this.base = `${tls ? 'https' : 'http'}://127.0.0.1:${this.port}/`;
    const serve = path.join(repoRoot, 'scripts', 'serve');
    const env = { ...process.env, VARNO_BUILD_DIR: buildDir };
    if (user) {
      execFileSync(serve, ['--add-user', user.name, this.folder],
        { env, input: `${user.password}\n` });
    }
    const options = tls ? ['--listen', '0.0.0.0', '--tls'] : [];
    const output = { text: '' };
    this.server = spawn(serve, [...options, this.folder, String(this.port)], {
      env,
      stdio: ['ignore', 'pipe', 'pipe'],
      detached: true,
    });
    this.server.stdout.on('data', (data) => { output.text += data; });
    this.server.stderr.on('data', (data) => { output.text += data; });
    this.output = output;
    await waitForServer(this.base + 'homerss.html', this.server, output, {
      cert: tls ? this.file('.varno-tls/cert.pem') : undefined,
      auth: user ? `${user.name}:${user.password}` : undefined,
    });
    // The list as the first run left it: each test starts from it.
    this.listSnapshot = fs.readFileSync(this.file('home.json'));
    // A fresh profile each time (playwright passes it as --user-data-dir).
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'varno-chromium-'));
    this.browser = await chromium.launchPersistentContext(this.profile, {
      executablePath: '/usr/bin/chromium',
      headless: true,
      viewport: { width: 1000, height: 700 },
      ...browser,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    fs.mkdirSync(artifactsDir, { recursive: true });
  }

  async stop() {
    if (this.browser) await this.browser.close();
    if (this.server && this.server.exitCode === null) {
      const ended = new Promise((resolve) => this.server.once('exit', resolve));
      process.kill(this.server.pid, 'SIGTERM');
      await ended;
    }
    if (this.folder) fs.rmSync(this.folder, { recursive: true, force: true });
    if (this.profile) fs.rmSync(this.profile, { recursive: true, force: true });
  }

  file(name) {
    return path.join(this.folder, name);
  }

  resetList() {
    fs.writeFileSync(this.file('home.json'), this.listSnapshot);
  }

  readList() {
    return JSON.parse(fs.readFileSync(this.file('home.json'), 'utf8'));
  }

  writeListText(text) {
    fs.writeFileSync(this.file('home.json'), text, 'utf8');
  }

  item(id) {
    return this.readList().items.find((item) => item.ID === id);
  }

  // A fresh page that records its bridge requests and fails the test on a
  // script error.
  async newPage() {
    const page = await this.browser.newPage();
    page.updates = [];
    page.errors = [];
    page.pending = 0;
    const isUpdate = (request) => request.url().includes('/varno.asp');
    page.on('request', (request) => {
      if (!isUpdate(request)) return;
      page.updates.push(request.url());
      page.pending += 1;
    });
    const settled = (request) => { if (isUpdate(request)) page.pending -= 1; };
    page.on('requestfinished', settled);
    page.on('requestfailed', settled);
    page.on('pageerror', (error) => page.errors.push(error.message));
    return page;
  }

  // Closes the page once every update it sent has been answered, so that no
  // run of the program outlives the test that caused it.
  async closePage(page) {
    const deadline = Date.now() + 60000;
    while (page.pending > 0 && Date.now() < deadline) {
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    await page.close();
  }

  async screenshot(page, name) {
    await page.screenshot({ path: path.join(artifactsDir, name) });
  }
}

// The bridge's answer to the next update request of `attribute`; once it has
// arrived the list file holds the change.
export function nextUpdate(page, attribute) {
  return page.waitForResponse((response) => response.url().includes('/varno.asp') &&
      response.url().includes(`&attribute=${attribute}&`));
}
