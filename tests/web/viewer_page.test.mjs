// The list viewer page in a real browser, served by lighttpd with the toolkit
// stand-in: title bar, rows, toolbar and the double tap into the editor.
import assert from 'node:assert/strict';
import { after, before, beforeEach, describe, test } from 'node:test';
import { WebUI } from './web_fixture.mjs';

const ui = new WebUI();
before(() => ui.start());
after(() => ui.stop());
beforeEach(() => ui.resetList());

async function openViewer(page) {
  await page.goto(ui.base + 'homerss.html');
  await page.waitForFunction(() => Ext.getCmp('lstData') &&
      Ext.getCmp('lstData').getStore().isLoaded(), null, { polling: 50 });
}

async function rows(page) {
  return page.$$eval('#lstData .x-list-item', (items) => items.map((item) =>
    Array.from(item.querySelectorAll('td.lsttbl_info')).map((cell) => cell.textContent)));
}

// Two presses within the double tap time, as a finger or mouse makes them.
async function doubleTap(page, selector) {
  const box = await page.locator(selector).boundingBox();
  const x = box.x + box.width / 2;
  const y = box.y + box.height / 2;
  await page.mouse.click(x, y);
  await page.mouse.click(x, y);
}

describe('viewer page', () => {
  test('title bar shows the stem until the list arrives, then heading and sort key', async () => {
    const page = await ui.newPage();
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    await page.route(/home\.json/, async (route) => {
      await held;
      await route.continue();
    });
    await page.goto(ui.base + 'homerss.html');
    await page.waitForSelector('#txtTitleBar .x-title');
    assert.equal(await page.textContent('#txtTitleBar .x-title'), 'HOME');
    assert.equal(await page.title(), 'VARNO - HOME');
    release();
    await page.waitForFunction(() =>
      document.querySelector('#txtTitleBar .x-title').textContent !== 'HOME', null, { polling: 50 });
    assert.equal(await page.textContent('#txtTitleBar .x-title'), 'Home (SortBy Order)');
    await ui.screenshot(page, 'viewer-page.png');
    assert.deepEqual(page.errors, []);
    await ui.closePage(page);
  });

  test('rows show display title and description of the active items only', async () => {
    const list = ui.readList();
    const expected = list.items.filter((item) => item.Active)
      .map((item) => [item.DisplayTitle, item.Description]);
    assert.ok(list.items.some((item) => !item.Active), 'the example has an inactive item');
    const page = await ui.newPage();
    await openViewer(page);
    assert.deepEqual(await rows(page), expected);
    assert.equal(await page.locator('.leads-list-empty-text').count(), 0);
    await ui.closePage(page);
  });

  test('a list without active items says so', async () => {
    const text = ui.listSnapshot.toString('latin1').replaceAll('"Active":true', '"Active":false');
    ui.writeListText(text);
    const page = await ui.newPage();
    await openViewer(page);
    assert.deepEqual(await rows(page), []);
    assert.equal(await page.textContent('.leads-list-empty-text'), 'No items loaded.');
    await ui.closePage(page);
  });

  test('a title holding markup is shown as text', async () => {
    const markup = '<img src=x onerror="window.pwned=1"><b>bold</b>';
    ui.writeListText(ui.listSnapshot.toString('latin1')
      .replace('"DisplayTitle":"Buy milk, eggs & bread"', `"DisplayTitle":"${markup.replaceAll('"', '\\"')}"`)
      .replace('"Description":"Transfer to landlord"', '"Description":"<i>x</i>"'));
    const page = await ui.newPage();
    await openViewer(page);
    const cells = (await rows(page)).flat();
    assert.ok(cells.includes(markup), `rows: ${JSON.stringify(cells)}`);
    assert.ok(cells.includes('<i>x</i>'));
    assert.equal(await page.locator('#lstData img, #lstData b, #lstData i').count(), 0);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    await ui.closePage(page);
  });

  test('a double quote the list keeps as %22 is shown as a double quote', async () => {
    ui.writeListText(ui.listSnapshot.toString('latin1')
      .replace('"DisplayTitle":"Buy milk, eggs & bread"', '"DisplayTitle":"Say %22hi%22 & <b>"')
      .replace('"Description":"Transfer to landlord"',
        '"Description":"Check the %22inbox%22 first, %2522 stays"'));
    const page = await ui.newPage();
    await openViewer(page);
    const cells = (await rows(page)).flat();
    assert.ok(cells.includes('Say "hi" & <b>'), `rows: ${JSON.stringify(cells)}`);
    assert.ok(cells.includes('Check the "inbox" first, %2522 stays'));
    assert.equal(await page.locator('#lstData b').count(), 0);
    await ui.closePage(page);
  });

  test('Today and CSV open the exports in new windows and leave the page', async () => {
    const page = await ui.newPage();
    await openViewer(page);
    for (const [button, file] of [['#cmdToday', 'hometoday.csv'], ['#cmdCSV', 'home.csv']]) {
      const [opened, request] = await Promise.all([
        page.waitForEvent('popup'),
        ui.browser.waitForEvent('request', (r) => r.url().includes(`/${file}?`)),
        page.click(button),
      ]);
      assert.match(request.url(), new RegExp(`/${file.replace('.', '\\.')}\\?foo=\\d{13}$`));
      await opened.close();
      assert.match(page.url(), /\/homerss\.html$/);
    }
    assert.equal(await page.locator('#cmdCards').isVisible(), false);
    await ui.closePage(page);
  });

  test('New opens the editor without an ID', async () => {
    const page = await ui.newPage();
    await openViewer(page);
    await Promise.all([page.waitForURL(/\/home\.html\?foo=\d{13}$/), page.click('#cmdNew')]);
    await ui.closePage(page);
  });

  test('Refresh reloads the page and shows the new state of the list', async () => {
    const page = await ui.newPage();
    await openViewer(page);
    ui.writeListText(ui.listSnapshot.toString('latin1')
      .replace('"DisplayTitle":"Buy milk, eggs & bread"', '"DisplayTitle":"Buy tea"'));
    await Promise.all([page.waitForURL(/\/homerss\.html\?foo=\d{13}$/), page.click('#cmdRefresh')]);
    await page.waitForFunction(() => Ext.getCmp('lstData').getStore().isLoaded(), null,
      { polling: 50 });
    assert.ok((await rows(page)).some((row) => row[0] === 'Buy tea'));
    await ui.closePage(page);
  });

  test('a double tap opens the tapped item in the editor', async () => {
    const page = await ui.newPage();
    await openViewer(page);
    const second = ui.readList().items.filter((item) => item.Active)[1];
    await Promise.all([
      page.waitForURL(new RegExp(`/home\\.html\\?ID=${second.ID}$`)),
      doubleTap(page, '#lstData .x-list-item >> nth=1'),
    ]);
    await ui.closePage(page);
  });

  test('a single tap and a browser double click stay on the page', async () => {
    const page = await ui.newPage();
    await openViewer(page);
    await page.locator('#lstData .x-list-item >> nth=0').click();
    await page.locator('#lstData .x-list-item >> nth=0').dispatchEvent('dblclick');
    await page.waitForTimeout(700);
    assert.match(page.url(), /\/homerss\.html$/);
    assert.deepEqual(page.errors, []);
    await ui.closePage(page);
  });
});
