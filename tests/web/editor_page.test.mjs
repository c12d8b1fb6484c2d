// The item editor page in a real browser: each field it sends changes exactly
// that attribute of the list file through the bridge and the program.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, beforeEach, describe, test } from 'node:test';
import { WebUI, nextUpdate } from './web_fixture.mjs';

const ui = new WebUI();
before(() => ui.start());
after(() => ui.stop());
beforeEach(() => ui.resetList());

// Members the program recomputes for every item on each rewrite.
const RECOMPUTED = ['Count', 'Order', 'DisplayTitle', 'DoTodayBoolean'];

function without(item, names) {
  const copy = { ...item };
  for (const name of names) delete copy[name];
  return copy;
}

// Asserts that of all items only `changed` members of item `id` differ.
function assertOnlyChanged(before, after, id, changed) {
  assert.equal(after.items.length, before.items.length);
  for (const old of before.items) {
    const now = after.items.find((item) => item.ID === old.ID);
    assert.ok(now, `item ${old.ID} is still there`);
    const ignore = old.ID === id ? [...RECOMPUTED, ...changed] : RECOMPUTED;
    assert.deepEqual(without(now, ignore), without(old, ignore), `item ${old.ID}`);
  }
}

async function openEditor(page, query) {
  const loaded = page.waitForResponse((response) => /\/home\.json\?foo=/.test(response.url()));
  await page.goto(ui.base + 'home.html' + query);
  await loaded;
  // The form is filled when the item store's answer has been handled.
  await page.waitForFunction(() => Ext.getCmp('txtTitle'), null, { polling: 50 });
  await page.waitForTimeout(100);
}

const ATTRIBUTES = { txtTitle: 'title', txtDescription: 'description', txtRepeat: 'repeat',
                     txtPriority: 'priority', txtFlags: 'flags' };

async function leaveWith(page, field, text) {
  await page.click(`#${field} input`);
  await page.fill(`#${field} input`, text);
  const answered = nextUpdate(page, ATTRIBUTES[field]);
  await page.keyboard.press('Tab');
  return answered;
}

function value(page, field) {
  return page.inputValue(`#${field} input`);
}

describe('editor page', () => {
  test('filling the form shows the item and sends nothing', async () => {
    const page = await ui.newPage();
    // Item 1 is not public: a replayed toggle change would send that.
    await openEditor(page, '?ID=1');
    const item = ui.item(1);
    assert.equal(item.Public, false);
    assert.equal(await value(page, 'txtID'), '1');
    assert.equal(await value(page, 'txtTitle'), item.Title);
    assert.equal(await value(page, 'txtDescription'), item.Description);
    assert.equal(await value(page, 'txtDays'), String(item.Days));
    assert.equal(await value(page, 'txtRepeat'), item.Repeat);
    assert.equal(await value(page, 'txtFlags'), item.Flags);
    assert.equal(await value(page, 'txtPriority'), String(item.Priority));
    assert.equal(await page.evaluate(() => Ext.getCmp('togActive').getValue()), item.Active ? 1 : 0);
    assert.equal(await page.evaluate(() => Ext.getCmp('togPublic').getValue()), item.Public ? 1 : 0);
    await page.waitForTimeout(300);
    assert.deepEqual(page.updates, []);
    await ui.screenshot(page, 'editor-page.png');
    assert.deepEqual(page.errors, []);
    await ui.closePage(page);
  });

  test('leaving Title changes the title alone', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=1');
    await leaveWith(page, 'txtTitle', 'Dentist at nine');
    assert.equal(page.updates.length, 1);
    assert.match(page.updates[0],
      /\/varno\.asp\?JSONfile=home\.json&ID=1&attribute=title&value=Dentist%20at%20nine&_dc=\d{13}&page=1&start=0&limit=25$/);
    const after = ui.readList();
    assert.equal(after.items.find((item) => item.ID === 1).Title, 'Dentist at nine');
    assertOnlyChanged(before, after, 1, ['Title']);
    await ui.closePage(page);
  });

  test('leaving Description changed sends it; leaving it unchanged sends nothing', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=1');
    await page.click('#txtDescription input');
    await page.keyboard.press('Tab');
    await page.waitForTimeout(300);
    assert.deepEqual(page.updates, []);
    await leaveWith(page, 'txtDescription', 'Bring the card');
    const after = ui.readList();
    assert.equal(after.items.find((item) => item.ID === 1).Description, 'Bring the card');
    assertOnlyChanged(before, after, 1, ['Description']);
    await ui.closePage(page);
  });

  test('leaving Repeat stores it in capitals', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=3');
    await leaveWith(page, 'txtRepeat', '2w');
    const after = ui.readList();
    assert.equal(after.items.find((item) => item.ID === 3).Repeat, '2W');
    assertOnlyChanged(before, after, 3, ['Repeat']);
    await ui.closePage(page);
  });

  test('leaving Priority changes the priority alone', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=3');
    await leaveWith(page, 'txtPriority', '7');
    const after = ui.readList();
    assert.equal(after.items.find((item) => item.ID === 3).Priority, 7);
    assertOnlyChanged(before, after, 3, ['Priority']);
    await ui.closePage(page);
  });

  test('leaving Flags unchanged keeps the flags', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=2');
    await page.click('#txtFlags input');
    const answered = nextUpdate(page, 'flags');
    await page.keyboard.press('Tab');
    await answered;
    assert.match(page.updates[0], /&attribute=flags&value=bills&_dc=/);
    assertOnlyChanged(before, ui.readList(), 2, []);
    await ui.closePage(page);
  });

  test('flipping Active and Public changes each alone', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=2');
    let answered = nextUpdate(page, 'active');
    await page.click('#togActive .x-toggle');
    await answered;
    assert.match(page.updates[0], /&attribute=active&value=false&_dc=/);
    const middle = ui.readList();
    assert.equal(middle.items.find((item) => item.ID === 2).Active, false);
    assertOnlyChanged(before, middle, 2, ['Active']);

    answered = nextUpdate(page, 'public');
    await page.click('#togPublic .x-toggle');
    await answered;
    assert.match(page.updates[1], /&attribute=public&value=false&_dc=/);
    const after = ui.readList();
    assert.equal(after.items.find((item) => item.ID === 2).Public, false);
    assertOnlyChanged(middle, after, 2, ['Public']);
    assert.equal(page.updates.length, 2);
    await ui.closePage(page);
  });

  test('a value holding "#", "&" and blanks arrives intact', async () => {
    const page = await ui.newPage();
    await openEditor(page, '?ID=3');
    await leaveWith(page, 'txtTitle', 'Room #4 & hall  twice');
    assert.match(page.updates[0], /&value=Room%20%234%20&%20hall%20%20twice&_dc=/);
    assert.equal(ui.item(3).Title, 'Room #4 & hall  twice');
    await ui.closePage(page);
  });

  test('an ID from a link cannot add members to the request', async () => {
    const before = ui.readList();
    const page = await ui.newPage();
    await openEditor(page, '?ID=1%26attribute%3Dactive%26value%3Dfalse%26_dc%3D1');
    await leaveWith(page, 'txtTitle', 'Typed');
    assert.match(page.updates[0], /&ID=1%26attribute%3Dactive%26value%3Dfalse%26_dc%3D1&attribute=title&/);
    assert.deepEqual(ui.readList().items, before.items);
    await ui.closePage(page);
  });

  test('a change the list does not take is shown as not saved', async () => {
    const page = await ui.newPage();
    await openEditor(page, '?ID=3');
    // Another program is still writing the list: the run refuses to rewrite it.
    const whole = fs.readFileSync(ui.file('home.json'), 'utf8');
    ui.writeListText(whole.slice(0, whole.length / 2));
    await leaveWith(page, 'txtTitle', 'Lost title');
    await page.waitForFunction(() => Ext.getCmp('viewID') &&
        /Not saved \(exit status 2\)/.test(document.body.textContent), null, { polling: 50 });
    assert.match(await page.getAttribute('#txtTitle', 'style'), /border: 1px solid red/);
    ui.resetList();
    // A change that lands shows nothing of the kind.
    await leaveWith(page, 'txtDescription', 'Kept description');
    await page.waitForTimeout(3200);
    assert.doesNotMatch(await page.evaluate(() => document.body.textContent), /Not saved/);
    assert.equal(ui.item(3).Description, 'Kept description');
    await ui.closePage(page);
  });

  test('New from the viewer adds an item under the list\'s NextID', async () => {
    const before = ui.readList();
    const nextID = before.NextID;
    const page = await ui.newPage();
    await page.goto(ui.base + 'homerss.html');
    await page.waitForSelector('#cmdNew');
    const nextIDLoaded = page.waitForResponse((r) => /\/home\.json\?foo=/.test(r.url()));
    await Promise.all([page.waitForURL(/\/home\.html\?foo=\d{13}$/), page.click('#cmdNew')]);
    await nextIDLoaded;
    await page.waitForFunction((id) => window.ID === id, nextID, { polling: 50 });
    // The form shows the new item as it is added: private.
    assert.equal(await page.evaluate(() => Ext.getCmp('togPublic').getValue()), 0);
    await leaveWith(page, 'txtTitle', 'Water the plants');
    assert.match(page.updates[0], new RegExp(`&ID=${nextID}&attribute=title&value=Water%20the%20plants&`));
    const after = ui.readList();
    const added = after.items.find((item) => item.ID === nextID);
    assert.ok(added, 'the new item is in the list');
    assert.equal(added.Title, 'Water the plants');
    assert.equal(added.Active, true);
    assert.equal(added.Public, false);
    assert.equal(after.NextID, nextID + 1);
    await ui.closePage(page);
  });

  test('the New button opens the editor for the list\'s NextID', async () => {
    const nextID = ui.readList().NextID;
    const page = await ui.newPage();
    await openEditor(page, '?ID=1');
    await Promise.all([
      page.waitForURL(new RegExp(`/home\\.html\\?ID=${nextID}&foo=\\d{13}$`)),
      page.click('#btnNew'),
    ]);
    await ui.closePage(page);
  });

  test('Close goes to the viewer page', async () => {
    const page = await ui.newPage();
    await openEditor(page, '?ID=1');
    await Promise.all([page.waitForURL(/\/homerss\.html$/), page.click('#btnClose')]);
    await page.waitForSelector('#lstData .x-list-item');
    await ui.closePage(page);
  });

  test('an edited title shows in the viewer after Refresh', async () => {
    const page = await ui.newPage();
    await openEditor(page, '?ID=3');
    await leaveWith(page, 'txtTitle', 'Buy oat milk');
    await page.goto(ui.base + 'homerss.html');
    await page.waitForSelector('#lstData .x-list-item');
    await Promise.all([page.waitForURL(/\?foo=/), page.click('#cmdRefresh')]);
    await page.waitForSelector('#lstData .x-list-item');
    const titles = await page.$$eval('#lstData td.lsttbl_info:first-child', (cells) =>
      cells.map((cell) => cell.textContent));
    assert.ok(titles.includes('Buy oat milk'), JSON.stringify(titles));
    await ui.closePage(page);
  });
});
