// The pages on a phone: Chromium with a phone's screen and touch, over HTTPS
// with a user's password, as scripts/serve --listen 0.0.0.0 --tls serves them.
// The certificate itself is checked pinned in tests/e2e/test_serve.py; here the
// browser is told to accept it, as the user does after comparing fingerprints.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { WebUI, nextUpdate } from './web_fixture.mjs';

const PHONE = { width: 390, height: 844 };
const user = { name: 'anna', password: 'on the phone' };
const ui = new WebUI();
before(() => ui.start({
  user,
  tls: true,
  browser: {
    viewport: PHONE,
    deviceScaleFactor: 3,
    isMobile: true,
    hasTouch: true,
    ignoreHTTPSErrors: true,
    httpCredentials: { username: user.name, password: user.password },
  },
}));
after(() => ui.stop());

async function tapCentre(page, selector) {
  const box = await page.locator(selector).boundingBox();
  await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// Every button lies whole inside the phone's screen, nothing reaches past its
// right edge, and the page does not scroll sideways.
async function assertFitsTheScreen(page, buttons) {
  for (const selector of buttons) {
    const box = await page.locator(selector).boundingBox();
    assert.ok(box && box.width > 0, `${selector} is shown`);
    assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= PHONE.width &&
              box.y + box.height <= PHONE.height,
              `${selector} lies inside the screen: ${JSON.stringify(box)}`);
  }
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth),
    'the page is no wider than the screen');
}

describe('on a phone', () => {
  test('the viewer lists the items, a double tap opens the editor, a typed title lands', async () => {
    const page = await ui.newPage();
    await page.goto(ui.base + 'homerss.html');
    await page.waitForFunction(() => Ext.getCmp('lstData') &&
        Ext.getCmp('lstData').getStore().isLoaded(), null, { polling: 50 });
    const active = ui.readList().items.filter((item) => item.Active);
    const titles = await page.$$eval('#lstData .x-list-item td.lsttbl_info:first-child',
      (cells) => cells.map((cell) => cell.textContent));
    assert.deepEqual(titles, active.map((item) => item.DisplayTitle));
    await assertFitsTheScreen(page, ['#cmdRefresh', '#cmdNew', '#cmdToday', '#cmdCSV']);
    await ui.screenshot(page, 'phone-viewer-page.png');

    const second = active[1];
    const row = page.locator('#lstData .x-list-item >> nth=1');
    const box = await row.boundingBox();
    const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
    await Promise.all([
      page.waitForURL(new RegExp(`/home\\.html\\?ID=${second.ID}$`)),
      (async () => {
        await page.touchscreen.tap(x, y);
        await page.touchscreen.tap(x, y);
      })(),
    ]);
    await page.waitForFunction((title) => document.querySelector('#txtTitle input') &&
        document.querySelector('#txtTitle input').value === title, second.Title, { polling: 50 });
    await assertFitsTheScreen(page, ['#btnNew', '#btnClose', '#btnCSV', '#txtTitle input']);
    await ui.screenshot(page, 'phone-editor-page.png');

    await tapCentre(page, '#txtTitle input');
    await page.keyboard.press('End');
    const answered = nextUpdate(page, 'title');
    await page.keyboard.type(' from the phone');
    await tapCentre(page, '#txtDescription input');
    assert.equal((await answered).status(), 200);
    assert.equal(ui.item(second.ID).Title, `${second.Title} from the phone`);
    assert.deepEqual(page.errors, []);
    await ui.closePage(page);
  });

  test('a title typed for a new item and New tapped at once: the item stays, New opens the next', async () => {
    // A tap reaches the button before the field loses the focus.
    const nextID = ui.readList().NextID;
    const page = await ui.newPage();
    await page.goto(ui.base + 'home.html');
    await page.waitForFunction((id) => window.ID === id && !window.bSuspendUpdates, nextID,
      { polling: 50 });
    await tapCentre(page, '#txtTitle input');
    await page.fill('#txtTitle input', 'First new');
    await Promise.all([
      page.waitForURL(new RegExp(`/home\\.html\\?ID=${nextID + 1}&foo=\\d{13}$`)),
      tapCentre(page, '#btnNew'),
    ]);
    const list = ui.readList();
    assert.equal(list.items.find((item) => item.ID === nextID)?.Title, 'First new');
    assert.equal(list.NextID, nextID + 1);
    await ui.closePage(page);
  });
});
