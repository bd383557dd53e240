// The web panel in Chromium against korvexd and a simulated switcher: routing by touch, changes
// from other clients, names across a restart, presets, locks, and the login wall.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {after, before, describe, test} from 'node:test';

import {kDeadlineMs, launchBrowser, openPanel, Rig, waitFor} from './harness.mjs';

const card = (o) => `.out[data-output="${o}"]`;
const source = (i) => `.src-cell[data-input="${i}"] .source`;

async function shows(page, o, text) {
    await page.waitForFunction(([ selector, expected ]) =>
                                   document.querySelector(selector)?.textContent === expected,
                               [ `${card(o)} .shows .src`, text ], {timeout : kDeadlineMs});
}

describe('panel on an open loopback korvexd', () => {
    let rig;
    let browser;
    let page;

    before(async () => {
        rig = await Rig.start();
        await waitFor('the device state',
                      async () => (await rig.api('GET', '/api/devices/01')).body?.routing);
        browser = await launchBrowser(rig.dir);
        page = await openPanel(browser, rig.base);
    });

    after(async () => {
        await browser?.close();
        await rig?.stop();
    });

    test('tapping screens then a source routes them on the switcher', async () => {
        await page.click(`${card(3)} .pick`);
        await page.click(`${card(5)} .pick`);
        assert.equal(await page.getAttribute(`${card(3)} .pick`, 'aria-pressed'), 'true');
        await page.click(source(7));
        await rig.simRouting({3 : 7, 5 : 7});
        await shows(page, 3, 'in7');
        await shows(page, 5, 'in7');
        assert.equal(await page.getAttribute(`${card(3)} .pick`, 'aria-pressed'), 'false');
    });

    test('the crosspoint grid routes one screen', async () => {
        await page.click('.tabs button[data-view="grid"]');
        await page.click('.xp[data-output="2"][data-input="10"]');
        await rig.simRouting({2 : 10});
        await page.waitForSelector('.xp[data-output="2"][data-input="10"].on');
        await page.click('.tabs button[data-view="route"]');
        await shows(page, 2, 'MV');
    });

    const others = [
        {
            who : 'an API client',
            kind : 'panel',
            output : 6,
            input : 2,
            act : async () => assert.equal(
                (await rig.api('POST', '/api/devices/01/routes', [ {output : 6, input : 2} ])).status, 200)
        },
        {
            who : 'a switcher-protocol client',
            kind : 'protocol',
            output : 6,
            input : 4,
            act : () => rig.protocolSend('A01 SET OUT6 VS IN4\r\n')
        },
        {
            who : 'the switcher itself',
            kind : 'device',
            output : 6,
            input : 9,
            act : () => rig.injectLine('SET OUT6 VS IN9')
        },
    ];
    for (const change of others)
        test(`a change by ${change.who} shows in the open page and its activity`, async () => {
            await change.act();
            await shows(page, change.output, `in${change.input}`);
            await page.waitForSelector(
                `#activity li.act.${change.kind}:first-child:has-text("Out${change.output}")`);
        });

    test('the multiview mode and a quick-view window follow the page', async () => {
        await page.click('.tabs button[data-view="multiview"]');
        await page.click('#mv-mode button[data-mode="1"]');
        await waitFor('the 2x2 quick view', () => rig.simDevice().mvMode === 1);
        await page.selectOption('#qv-1', '9');
        await waitFor('in9 in quick-view window 1', () => rig.simDevice().qvSources[0] === 8);
        await page.waitForSelector('#mv-mode button[data-mode="1"][aria-pressed="true"]');
        await page.click('.tabs button[data-view="route"]');
    });

    test('a preset brings the saved routing back', async () => {
        await page.fill('#preset-name', 'Lecture');
        await page.click('#save-preset button[type="submit"]');
        const item = '#presets li.preset:has-text("Lecture")';
        await page.waitForSelector(item);
        assert.equal((await rig.api('POST', '/api/devices/01/routes', [ {output : 1, input : 8} ])).status,
                     200);
        await shows(page, 1, 'in8');
        const wireBefore = fs.readFileSync(`${rig.dir}/wire.log`, 'utf8').length;
        await page.click(`${item} .recall`);
        await rig.simRouting({1 : 1, 3 : 7, 5 : 7, 6 : 9});
        await shows(page, 1, 'in1');
        // Only what differed went to the switcher.
        const sent = fs.readFileSync(`${rig.dir}/wire.log`, 'utf8')
                         .slice(wireBefore)
                         .split('\n')
                         .filter((l) => / VS IN/.test(l));
        assert.deepEqual(sent.map((l) => l.replace(/^LINE (A01 )?/, '').replace(/\\r$/, '').trimEnd()),
                         [ 'SET OUT1 VS IN1' ]);
    });

    test('a locked screen refuses the panel and the API but not the installer\'s tools', async () => {
        await page.click(`${card(8)} .lock`);
        await page.waitForSelector(`${card(8)}.locked`);
        await page.click(`${card(8)} .pick`);
        await page.waitForSelector('.toast:has-text("locked")');
        assert.equal(await page.getAttribute(`${card(8)} .pick`, 'aria-pressed'), 'false');
        const refused = await rig.api('POST', '/api/devices/01/routes', [ {output : 8, input : 1} ]);
        assert.equal(refused.status, 409);
        assert.match(refused.body.error, /locked/);
        assert.equal(rig.simDevice().routing[7], 7);
        await rig.protocolSend('A01 SET OUT8 VS IN3\r\n');
        await rig.simRouting({8 : 3});
        await shows(page, 8, 'in3');
        await page.click(`${card(8)} .lock`);
        await page.waitForSelector(`${card(8)}:not(.locked)`);
    });

    test('a name given in the page is there after korvexd restarts', async () => {
        await page.click('#rename');
        await page.fill('.src-cell[data-input="2"] .rename', 'Laptop HDMI');
        await page.press('.src-cell[data-input="2"] .rename', 'Enter');
        await waitFor('the name to be kept',
                      async () =>
                          (await rig.api('GET', '/api/devices/01/names')).body.inputs[1] === 'Laptop HDMI');
        await page.click('#rename');
        const snapshots = Number(await page.getAttribute('body', 'data-snapshots'));
        await rig.restartKorvexd(
            () => page.waitForSelector('#connection', {state : 'visible', timeout : kDeadlineMs}));
        await page.waitForFunction((n) => Number(document.body.dataset.snapshots) > n, snapshots,
                                   {timeout : kDeadlineMs});
        await page.waitForSelector('#connection', {state : 'hidden'});
        await page.waitForFunction(
            () => document.querySelector('.src-cell[data-input="2"] .name')?.textContent === 'Laptop HDMI',
            null, {timeout : kDeadlineMs});
        assert.deepEqual(page.errors, []);
    });
});

describe('panel behind a password', () => {
    let rig;
    let browser;

    before(async () => {
        rig = await Rig.start({httpHost : '127.0.0.2', password : 'correct horse'});
        browser = await launchBrowser(rig.dir);
    });

    after(async () => {
        await browser?.close();
        await rig?.stop();
    });

    test('nothing but the login page answers without a session', async () => {
        const cases = [
            [ 'GET', '/', 303 ],
            [ 'GET', '/index.html', 303 ],
            [ 'GET', '/panel.js', 401 ],
            [ 'GET', '/api.js', 401 ],
            [ 'GET', '/api/devices', 401 ],
            [ 'GET', '/api/devices/01', 401 ],
            [ 'GET', '/api/devices/01/activity', 401 ],
            [ 'POST', '/api/devices/01/routes', 401, [ {output : 1, input : 9} ] ],
            [ 'PUT', '/api/devices/01/names/inputs/1', 401, {name : 'x'} ],
            [ 'GET', '/login', 200 ],
            [ 'GET', '/login.js', 200 ],
            [ 'GET', '/panel.css', 200 ],
        ];
        for (const [method, where, status, body] of cases) {
            const response = await rig.api(method, where, body);
            assert.equal(response.status, status, `${method} ${where}`);
            if (status === 303)
                assert.equal(new URL(response.headers.location, rig.base).pathname, '/login');
        }
        assert.equal(rig.simDevice().routing[0], 0);
    });

    test('the page logs in, works, and only from its own origin', async () => {
        const page = await browser.newPage();
        await page.goto(`${rig.base}/`);
        await page.waitForURL(/\/login$/);
        const socketRefused = await page.evaluate((url) => new Promise((resolve) => {
                                                      const socket = new WebSocket(url);
                                                      socket.onmessage = () => resolve(false);
                                                      socket.onclose = () => resolve(true);
                                                  }),
                                                  `ws://127.0.0.2:${rig.ports.http}/api/events`);
        assert.equal(socketRefused, true);
        await page.fill('#password', 'wrong');
        await page.click('button[type="submit"]');
        await page.waitForSelector('#error:has-text("not right")');
        await page.fill('#password', 'correct horse');
        await page.click('button[type="submit"]');
        await page.waitForSelector('body[data-ready]', {timeout : kDeadlineMs});
        await page.click(`${card(1)} .pick`);
        await page.click(source(9));
        await rig.simRouting({1 : 9});
        const cookie = (await browser.cookies()).find((c) => c.name === 'korvex_session');
        assert.ok(cookie.httpOnly && cookie.sameSite === 'Strict');
        const session = {Cookie : `korvex_session=${cookie.value}`};
        const foreign = [
            [ {...session, Origin : 'http://evil.example'}, 403 ],
            [ {...session, Host : 'evil.example'}, 403 ],
            [ session, 200 ],
        ];
        for (const [headers, status] of foreign)
            assert.equal(
                (await rig.api('POST', '/api/devices/01/routes', [ {output : 1, input : 4} ], headers))
                    .status,
                status, JSON.stringify(headers));
        await page.click('#logout');
        await page.waitForURL(/\/login$/);
        assert.equal((await rig.api('GET', '/api/devices', undefined, session)).status, 401);
    });
});
