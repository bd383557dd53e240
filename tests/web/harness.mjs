// What the browser tests and the measuring script share: korvex-sim and korvexd started in a
// temporary folder on free loopback ports, Debian's Chromium through playwright-core, and waiting
// for a condition with a deadline.
import {spawn, spawnSync} from 'node:child_process';
import {once} from 'node:events';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {chromium} from 'playwright-core';

export const kDeadlineMs = 20000;

export function program(variable) {
    const value = process.env[variable];
    if (!value)
        throw new Error(`${variable} must name the program to test`);
    return value;
}

export async function waitFor(what, check, deadlineMs = kDeadlineMs) {
    const end = Date.now() + deadlineMs;
    let last;
    for (;;) {
        try {
            const value = await check();
            if (value)
                return value;
        } catch (error) {
            last = error;
        }
        if (Date.now() > end)
            throw new Error(`timed out waiting for ${what}${last ? `: ${last.message}` : ''}`);
        await new Promise((resolve) => setTimeout(resolve, 25)); // the next look, not a wait for time to pass
    }
}

export async function freePort(host = '127.0.0.1') {
    const server = net.createServer();
    server.listen(0, host);
    await once(server, 'listening');
    const {port} = server.address();
    server.close();
    await once(server, 'close');
    return port;
}

// A child process whose output is kept for the failure message and which is ended with the test.
class Child {
    constructor(file, args, cwd, input) {
        this.output = '';
        this.process =
            spawn(file, args, {cwd, stdio : [ input === undefined ? 'ignore' : 'pipe', 'pipe', 'pipe' ]});
        this.exited = once(this.process, 'exit');
        for (const stream of [this.process.stdout, this.process.stderr])
            stream.on('data', (chunk) => { this.output = (this.output + chunk.toString()).slice(-20000); });
    }

    async stop() {
        if (this.process.exitCode === null && this.process.signalCode === null)
            this.process.kill('SIGTERM');
        await this.exited;
    }
}

// korvex-sim with one device 01, its state file and its injection FIFO, and korvexd on it.
export class Rig {
    static async start({httpHost = '127.0.0.1', password = null} = {}) {
        const rig = new Rig();
        rig.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'korvex-web-'));
        rig.stateFile = path.join(rig.dir, 'sim-state.json');
        rig.inject = path.join(rig.dir, 'inject');
        rig.sim = new Child(
            program('KORVEX_SIM'),
            [ '--state', rig.stateFile, '--inject', rig.inject, '--log', path.join(rig.dir, 'wire.log') ],
            rig.dir);
        rig.pty = await waitFor('korvex-sim to print its pseudo-terminal',
                                () => rig.sim.output.split('\n').length > 1 && rig.sim.output.split('\n')[0]);
        rig.httpHost = httpHost;
        rig.ports = {http : await freePort(httpHost), listen : await freePort(), videohub : await freePort()};
        rig.args = [
            '--line', rig.pty, '--devices', '01', '--listen', `127.0.0.1:${rig.ports.listen}`, '--http',
            `${httpHost}:${rig.ports.http}`, '--videohub', `127.0.0.1:${rig.ports.videohub}`, '--state-dir',
            path.join(rig.dir, 'state')
        ];
        if (password !== null) {
            // The settings line korvexd prints for a password goes into a settings file as it is.
            const hashed = spawnSync(program('KORVEXD'), [ '--hash-password' ],
                                     {input : `${password}\n`, encoding : 'utf8'});
            if (hashed.status !== 0)
                throw new Error(`korvexd --hash-password failed: ${hashed.stderr}`);
            const config = path.join(rig.dir, 'korvexd.conf');
            fs.writeFileSync(config, hashed.stdout);
            rig.args.push('--config', config);
        }
        rig.base = `http://${httpHost}:${rig.ports.http}`;
        await rig.startKorvexd();
        return rig;
    }

    async startKorvexd() {
        this.korvexd = new Child(program('KORVEXD'), this.args, this.dir);
        await waitFor(`korvexd on ${this.base}\n${this.korvexd.output}`, async () => {
            if (this.korvexd.process.exitCode !== null)
                throw new Error(`korvexd exited: ${this.korvexd.output}`);
            const response = await fetch(`${this.base}/login`);
            return response.ok;
        });
    }

    async restartKorvexd(whileDown = async () => {}) {
        await this.korvexd.stop();
        await whileDown();
        await this.startKorvexd();
    }

    simDevice() { return JSON.parse(fs.readFileSync(this.stateFile, 'utf8')).devices[0]; }

    // Waits until the simulated switcher's routing (1-based, output -> input) includes `expected`.
    async simRouting(expected) {
        return waitFor(`the switcher to route ${JSON.stringify(expected)}`, () => {
            const routing = this.simDevice().routing;
            return Object.entries(expected).every(([ o, i ]) => routing[o - 1] === i - 1) && routing;
        });
    }

    // One request with node's own client, which sends any Host and Origin a test gives it.
    async api(method, pathName, body, headers = {}) {
        const data = body === undefined ? null : JSON.stringify(body);
        const request = http.request(this.base + pathName, {
            method,
            headers : data === null ? headers : {'Content-Type' : 'application/json', ...headers},
        });
        request.end(data);
        const [response] = await once(request, 'response');
        let text = '';
        for await (const chunk of response)
            text += chunk;
        const json = /^application\/json/.test(response.headers['content-type'] || '');
        return {
            status : response.statusCode,
            headers : response.headers,
            body : json && text ? JSON.parse(text) : null
        };
    }

    // Bytes a client of the switcher's own protocol sends through korvexd; like korvex-ctl it stays
    // until the switcher's answer has come back (korvexd credits a change to a client still there).
    async protocolSend(text) {
        const socket = net.connect(this.ports.listen, '127.0.0.1');
        await once(socket, 'connect');
        let received = '';
        socket.on('data', (chunk) => { received += chunk.toString(); });
        socket.write(text);
        await waitFor(`the answer to ${JSON.stringify(text)}`, () => /VS IN/.test(received));
        socket.end();
        await once(socket, 'close');
    }

    // A line the switcher handles as if its front panel or another controller had sent it.
    injectLine(text) { fs.writeFileSync(this.inject, `${text}\r\n`); }

    async stop() {
        await this.korvexd?.stop();
        await this.sim?.stop();
        fs.rmSync(this.dir, {recursive : true, force : true});
    }
}

export async function launchBrowser(dir) {
    const profile = fs.mkdtempSync(path.join(dir, 'chromium-'));
    return chromium.launchPersistentContext(profile, {
        executablePath : process.env.CHROMIUM || '/usr/bin/chromium',
        headless : true,
        viewport : {width : 1280, height : 900},
        args : [
            '--no-sandbox', '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'
        ],
    });
}

export async function openPanel(context, base) {
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    page.errors = errors;
    await page.goto(`${base}/`);
    await page.waitForSelector('body[data-ready]', {timeout : kDeadlineMs});
    return page;
}
