// Measures the web panel (not a test: it prints numbers). KORVEX_SIM and KORVEXD name the programs.
//   node measure.mjs [CHANGES]   (default 200)
// - first load: bytes over the wire for the panel's files and the time until it is usable;
// - a change on the switcher's line (made by the switcher, seen by korvexd) until it is in the DOM;
// - a tap on a source until the screen shows it (the switcher confirmed it);
// - 50 open panels (events sockets): korvexd's resident memory, and a change on the line until every
//   one of them has it. Node 20 needs --experimental-websocket for that part (package.json's
//   "measure" passes it).
import {once} from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import {performance} from 'node:perf_hooks';

import {launchBrowser, Rig, waitFor} from './harness.mjs';

const changes = Number(process.argv[2] || 200);

function percentile(values, p) {
    const sorted = [...values ].sort((a, b) => a - b);
    return sorted[Math.min(sorted.length - 1, Math.floor((p / 100) * sorted.length))];
}

function report(name, values) {
    const f = (v) => `${v.toFixed(1)} ms`;
    console.log(`${name.padEnd(34)} n=${String(values.length).padEnd(4)} p50 ${f(percentile(values, 50))}  ` +
                `p99 ${f(percentile(values, 99))}  max ${f(Math.max(...values))}`);
}

// Resolves, in the page, with the wall-clock time at which output 1 first shows `text`.
function armWatch(page, text) {
    return page.evaluate((expected) => {
        const node = document.querySelector('.out[data-output="1"] .shows .src');
        window.korvexSeen = new Promise((resolve) => {
            const observer = new MutationObserver(() => {
                if (node.textContent !== expected)
                    return;
                observer.disconnect();
                resolve(performance.timeOrigin + performance.now());
            });
            observer.observe(node, {childList : true, characterData : true, subtree : true});
        });
    }, text);
}

// The bytes of one answer as they come over the wire (headers and the gzip body a browser asks for).
async function wireBytes(port, file) {
    const socket = net.connect(port, '127.0.0.1');
    await once(socket, 'connect');
    socket.end(`GET ${file} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\nAccept-Encoding: gzip, deflate, br\r\n` +
               'Connection: close\r\n\r\n');
    let size = 0;
    for await (const chunk of socket)
        size += chunk.length;
    return size;
}

const rig = await Rig.start();
const browser = await launchBrowser(rig.dir);
try {
    await waitFor('the device state', async () => (await rig.api('GET', '/api/devices/01')).body?.routing);

    const loads = [];
    let bytes = 0;
    for (let run = 0; run < 10; ++run) {
        const page = await browser.newPage();
        // Every run a first visit: nothing from the browser's cache.
        const cdp = await browser.newCDPSession(page);
        await cdp.send('Network.setCacheDisabled', {cacheDisabled : true});
        await page.goto(`${rig.base}/`);
        await page.waitForSelector('body[data-ready]');
        loads.push(await page.evaluate(() => performance.getEntriesByName('korvex-ready')[0].startTime));
        await page.close();
    }
    bytes = 0;
    for (const file of ['/', '/panel.css', '/panel.js', '/api.js', '/favicon.svg'])
        bytes += await wireBytes(rig.ports.http, file);
    console.log(`first load                         ${
        bytes} bytes (panel files and headers, WebSocket snapshot not counted)`);
    report('time to usable', loads);

    const page = await browser.newPage();
    await page.goto(`${rig.base}/`);
    await page.waitForSelector('body[data-ready]');
    const line = [];
    for (let k = 0; k < changes; ++k) {
        const input = 2 + (k % 2);
        await armWatch(page, `in${input}`);
        const sent = performance.timeOrigin + performance.now();
        rig.injectLine(`SET OUT1 VS IN${input}`);
        line.push((await page.evaluate(() => window.korvexSeen)) - sent);
    }
    report('line change to DOM', line);

    const taps = [];
    for (let k = 0; k < Math.min(changes, 50); ++k) {
        const input = 4 + (k % 2);
        await page.click('.out[data-output="1"] .pick');
        await armWatch(page, `in${input}`);
        const sent = performance.timeOrigin + performance.now();
        await page.click(`.src-cell[data-input="${input}"] .source`);
        taps.push((await page.evaluate(() => window.korvexSeen)) - sent);
    }
    report('tap to confirmed on screen', taps);

    if (typeof WebSocket === 'function') {
        const panels = 50;
        const sockets = [];
        for (let k = 0; k < panels; ++k) {
            const socket = new WebSocket(`ws://127.0.0.1:${rig.ports.http}/api/events`);
            socket.seen = () => {};
            socket.onmessage = (event) => {
                const message = JSON.parse(event.data);
                if (message.type === 'snapshot')
                    socket.ready = true;
                else if (message.type === 'state' && message.changes.routing)
                    socket.seen(message.changes.routing[1]);
            };
            sockets.push(socket);
        }
        await waitFor('50 snapshots', () => sockets.every((s) => s.ready));
        const fanOut = [];
        let shown = rig.simDevice().routing[1] + 1;
        for (let k = 0; k < 50; ++k) {
            const input = shown === 5 ? 6 : 5; // always a change
            shown = input;
            const all = Promise.all(sockets.map((s) => new Promise((resolve) => {
                                                    s.seen = (routed) => {
                                                        if (routed === input - 1)
                                                            resolve(performance.now());
                                                    };
                                                })));
            const sent = performance.now();
            rig.injectLine(`SET OUT2 VS IN${input}`);
            fanOut.push(Math.max(...await all) - sent);
        }
        report(`line change to all ${panels} sockets`, fanOut);
        const status = fs.readFileSync(`/proc/${rig.korvexd.process.pid}/status`, 'utf8');
        const rss = new RegExp('VmRSS:\\s+(\\d+ kB)').exec(status)[1];
        console.log(`korvexd resident with ${panels} panels  ${rss}`);
        for (const socket of sockets)
            socket.close();
    }
} finally {
    await browser.close();
    await rig.stop();
}
