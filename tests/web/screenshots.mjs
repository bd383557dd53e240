// The README's pictures of the web panel: korvexd against korvex-sim, a few names, a preset and a
// lock so that the panel shows what a room looks like, then Chromium at phone and desktop sizes.
//   node screenshots.mjs DOCS_FOLDER   (KORVEX_SIM and KORVEXD name the programs)
import path from 'node:path';

import {launchBrowser, Rig, waitFor} from './harness.mjs';

const docs = path.resolve(process.argv[2] || '../../docs');
const rig = await Rig.start();
const browser = await launchBrowser(rig.dir);
try {
    await waitFor('the device state', async () => (await rig.api('GET', '/api/devices/01')).body?.routing);
    const user = {'X-Korvex-User' : 'Ann'};
    await rig.api('PATCH', '/api/devices/01/names', {
        inputs : {1 : 'Document camera', 2 : 'Laptop HDMI', 7 : 'Lectern PC', 10 : 'Overview'},
        outputs : {1 : 'Left projector', 2 : 'Right projector', 3 : 'Confidence', 9 : 'Recorder'}
    },
                  user);
    await rig.api('POST', '/api/devices/01/routes',
                  [ {output : 1, input : 7}, {output : 2, input : 7}, {output : 3, input : 10} ], user);
    await rig.api('POST', '/api/devices/01/presets', {name : 'Lecture'}, user);
    await rig.api('POST', '/api/devices/01/routes', [ {output : 9, input : 1} ], user);
    await rig.api('POST', '/api/devices/01/presets', {name : 'Document camera to all'}, user);
    await rig.api('PUT', '/api/devices/01/locks/9', {locked : true}, user);
    const sizes = [
        {name : 'web-panel-phone.png', width : 390, height : 844},
        {name : 'web-panel-desktop.png', width : 1280, height : 800},
    ];
    for (const size of sizes) {
        const page = await browser.newPage();
        await page.setViewportSize({width : size.width, height : size.height});
        await page.goto(`${rig.base}/`);
        await page.waitForSelector('body[data-ready]');
        await page.click('.out[data-output="4"] .pick');
        // The sources' sheet slides in: the picture waits for it to stand still.
        await page.evaluate(() => Promise.all(document.getAnimations().map((a) => a.finished)));
        await page.screenshot({path : path.join(docs, size.name)});
        await page.close();
    }
} finally {
    await browser.close();
    await rig.stop();
}
