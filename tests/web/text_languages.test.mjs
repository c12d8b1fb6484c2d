// Text in other languages typed into the item editor in a real browser: the
// list file, the CSV export, the feed, the calendar and the viewer's rows all
// show it as typed.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, beforeEach, describe, test } from 'node:test';
import { WebUI, nextUpdate } from './web_fixture.mjs';

const ui = new WebUI();
before(() => ui.start());
after(() => ui.stop());
beforeEach(() => ui.resetList());

const TYPED = 'Café crème ✓ 日本';

// The file's text; fails unless it is valid UTF-8.
function utf8(name) {
  return new TextDecoder('utf-8', { fatal: true }).decode(fs.readFileSync(ui.file(name)));
}

async function typeTitle(page, id, title) {
  const loaded = page.waitForResponse((response) => /\/home\.json\?foo=/.test(response.url()));
  await page.goto(`${ui.base}home.html?ID=${id}`);
  await loaded;
  await page.waitForFunction(() => Ext.getCmp('txtTitle'), null, { polling: 50 });
  await page.waitForTimeout(100);
  await page.click('#txtTitle input');
  await page.fill('#txtTitle input', title);
  const answered = nextUpdate(page, 'title');
  await page.keyboard.press('Tab');
  await answered;
}

describe('text in other languages', () => {
  test('typed in the editor, it reaches every output and the viewer unchanged', async () => {
    const page = await ui.newPage();
    await typeTitle(page, 3, TYPED);
    // A dated title also makes a calendar event.
    const dated = `2025-10-20 ${TYPED}`;
    await typeTitle(page, 1, dated);
    assert.match(page.updates[0], /&value=Caf%C3%A9%20cr%C3%A8me%20%E2%9C%93%20%E6%97%A5%E6%9C%AC&/);

    const items = JSON.parse(utf8('home.json')).items;
    const item = (id) => items.find((each) => each.ID === id);
    assert.equal(item(3).Title, TYPED);
    assert.equal(item(3).DisplayTitle, TYPED);
    assert.equal(item(1).Title, dated);
    assert.ok(utf8('home.csv').includes(`"${TYPED}"`));
    assert.ok(utf8('home.csv').includes(`"${dated}"`));
    assert.match(utf8('homerss.xml'), new RegExp(`<title>\\d+\\. ${TYPED}</title>`));
    assert.ok(utf8('home.ics').split('\r\n').includes(`SUMMARY:${dated}`));

    await page.goto(ui.base + 'homerss.html');
    await page.waitForFunction(() => Ext.getCmp('lstData') &&
        Ext.getCmp('lstData').getStore().isLoaded(), null, { polling: 50 });
    const titles = await page.$$eval('#lstData .x-list-item', (rows) => rows.map((row) =>
      row.querySelector('td.lsttbl_info').textContent));
    assert.ok(titles.includes(TYPED), `rows: ${JSON.stringify(titles)}`);
    assert.ok(titles.includes(dated), `rows: ${JSON.stringify(titles)}`);
    await ui.screenshot(page, 'viewer-page-languages.png');
    assert.deepEqual(page.errors, []);
    await ui.closePage(page);
  });
});
