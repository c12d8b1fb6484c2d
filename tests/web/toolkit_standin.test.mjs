// The toolkit stand-in behaves like the genuine toolkit wherever the pages or
// their tests could tell the difference; a test passing on the stand-in must
// not rely on behaviour the genuine toolkit lacks.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, describe, test } from 'node:test';
import { WebUI } from './web_fixture.mjs';

const ui = new WebUI();
let page;

before(async () => {
  await ui.start();
  fs.writeFileSync(ui.file('probe.html'), '<!DOCTYPE html><html><head>' +
    '<link rel="stylesheet" href="touch-2.4.2/resources/css/sencha-touch.css">' +
    '<script src="touch-2.4.2/sencha-touch-all.js"></script>' +
    '<script>window.launched = []; Ext.application({name: "Probe", launch: function () {' +
    ' window.launched.push({self: this === Probe.app, args: arguments.length,' +
    ' viewport: !!Ext.Viewport}); }}); window.afterCall = !window.launched.length;</script>' +
    '</head><body></body></html>');
  fs.writeFileSync(ui.file('data.json'), JSON.stringify({
    NextID: 9, HeadTitle: 'Probe',
    items: [{ ID: 1, Active: true, Title: 'a' }, { ID: 2, Active: false, Title: 'b' },
            { ID: 3, Active: 'TRUE', Title: 'c' }, { ID: 4, Title: 'd' }],
  }));
  fs.writeFileSync(ui.file('plain.html'), '<html><body>not json</body></html>');
  page = await ui.newPage();
  await page.goto(ui.base + 'probe.html');
  await page.waitForFunction(() => window.launched.length === 1, null, { polling: 50 });
});
after(async () => {
  await ui.closePage(page);
  await ui.stop();
});

// Loads a store in the page and reports what the listeners saw.
function loadStore(config) {
  return page.evaluate((cfg) => new Promise((resolve) => {
    const seen = { events: [] };
    const store = Ext.create('Ext.data.Store', Object.assign({
      listeners: {
        load: (s, records, successful, operation) => seen.events.push(
          { kind: 'event', count: records.length, successful, error: operation.getError() }),
      },
    }, cfg));
    store.load((records, operation, success) => {
      seen.events.push({ kind: 'callback', count: records.length, success });
    });
    setTimeout(() => {
      seen.loading = store.isLoading();
      seen.count = store.getCount();
      seen.titles = store.getRange().map((r) => r.get('Title'));
      seen.first = store.first() ? store.first().data : null;
      resolve(seen);
    }, 700);
  }), config);
}

describe('toolkit stand-in', () => {
  test('launch runs once after the script, with the app as this and no arguments', async () => {
    assert.deepEqual(await page.evaluate(() => window.launched),
      [{ self: true, args: 0, viewport: true }]);
    assert.equal(await page.evaluate(() => window.afterCall), true);
  });

  test('a held event is replayed by resumeEvents() and dropped by resumeEvents(true)', async () => {
    const result = await page.evaluate(() => {
      const field = Ext.create('Ext.field.Toggle', { value: false });
      const changes = [];
      field.on('change', (f, newValue, oldValue) => changes.push([newValue, oldValue]));
      field.suspendEvents();
      field.setValue(true);
      field.resumeEvents();
      field.suspendEvents();
      field.setValue(false);
      field.resumeEvents(true);
      return { changes, value: field.getValue() };
    });
    assert.deepEqual(result, { changes: [[true, 0]], value: 0 });
  });

  test('toggles hold 0 and 1, report raw values from setValue and a change when created on',
    async () => {
      const result = await page.evaluate(() => {
        const created = [];
        const on = Ext.create('Ext.field.Toggle', {
          value: true, listeners: { change: (f, n, o) => created.push([n, o]) } });
        const values = [on.getValue()];
        on.setValue('false');
        values.push(on.getValue());
        on.setValue('true');
        values.push(on.getValue());
        on.setValue(1);
        const fired = [];
        on.on('change', () => fired.push('change'));
        on.setValue(true);
        values.push(on.getValue());
        return { created, values, fired };
      });
      assert.deepEqual(result.created, [[1, 0], ['false', 1], ['true', 0], [1, 0]]);
      assert.deepEqual(result.values, [1, 0, 0, 1]);
      assert.deepEqual(result.fired, [], 'setValue(true) on 1 is no change');
    });

  test('the proxy appends _dc and paging parameters after the address as it is', async () => {
    const request = page.waitForRequest((r) => r.url().includes('/data.json?'));
    await loadStore({ fields: ['Title'], proxy: { type: 'ajax', url: 'data.json?foo=1&v=a b',
      reader: { type: 'json', rootProperty: 'items' } } });
    assert.match((await request).url(),
      /\/data\.json\?foo=1&v=a%20b&_dc=\d{13}&page=1&start=0&limit=25$/);
  });

  test('reader: rootProperty "" is one record, "items" the array, "root" is not read', async () => {
    const whole = await loadStore({ fields: ['NextID', 'HeadTitle'],
      proxy: { type: 'ajax', url: 'data.json', reader: { type: 'json', rootProperty: '' } } });
    assert.deepEqual(whole.first, { NextID: 9, HeadTitle: 'Probe' });
    const items = await loadStore({ fields: ['Title'],
      proxy: { type: 'ajax', url: 'data.json', reader: { type: 'json', rootProperty: 'items' } } });
    assert.deepEqual(items.titles, ['a', 'b', 'c', 'd']);
    const root = await loadStore({ fields: ['Title'],
      proxy: { type: 'ajax', url: 'data.json', reader: { type: 'json', root: 'items' } } });
    assert.equal(root.count, 1);
    assert.deepEqual(root.first, { Title: undefined });
  });

  test('event then callback; records unfiltered, accessors filtered by starts-with', async () => {
    const seen = await loadStore({ fields: ['Title', 'Active'],
      filters: [{ property: 'Active', value: true }],
      proxy: { type: 'ajax', url: 'data.json', reader: { type: 'json', rootProperty: 'items' } } });
    assert.deepEqual(seen.events.map((e) => [e.kind, e.count]), [['event', 4], ['callback', 4]]);
    assert.deepEqual(seen.titles, ['a', 'c']);
  });

  test('an answer that is not JSON never reports a load', async () => {
    const seen = await loadStore({ fields: ['Title'],
      proxy: { type: 'ajax', url: 'plain.html', reader: { type: 'json', rootProperty: '' } } });
    assert.deepEqual(seen.events, []);
    assert.equal(seen.loading, true);
  });

  test('a missing file reports an unsuccessful load with no records', async () => {
    const seen = await loadStore({ fields: ['Title'],
      proxy: { type: 'ajax', url: 'missing.json', reader: { type: 'json', rootProperty: '' } } });
    assert.equal(seen.events[0].successful, false);
    assert.equal(seen.events[0].error.status, 404);
    assert.deepEqual(seen.events[1], { kind: 'callback', count: 0, success: false });
  });

  test('rows: raw markup by default, encoded on request; double tap is two taps', async () => {
    await page.evaluate(() => new Promise((resolve) => {
      window.taps = [];
      const store = Ext.create('Ext.data.Store', { fields: ['Title'], autoLoad: true,
        proxy: { type: 'ajax', url: 'data.json', reader: { type: 'json', rootProperty: 'items' } },
        listeners: { load: () => setTimeout(resolve, 50) } });
      Ext.Viewport.add({ xtype: 'list', id: 'probeList', store,
        itemTpl: '<b>{Title}</b><i>{Missing}</i>|{Title:htmlEncode}',
        listeners: {
          itemtap: (l, index) => window.taps.push('tap' + index),
          itemsingletap: (l, index) => window.taps.push('single' + index),
          itemdoubletap: (l, index, target, record) => window.taps.push('double' + record.get('Title')),
        } });
    }));
    assert.equal(await page.locator('#probeList .x-list-item b').count(), 4);
    assert.equal(await page.locator('#probeList .x-list-item-odd').count(), 0);
    const row = page.locator('#probeList .x-list-item >> nth=1');
    await row.dispatchEvent('dblclick');
    await page.waitForTimeout(400);
    assert.deepEqual(await page.evaluate(() => window.taps), []);
    const box = await row.boundingBox();
    await page.mouse.click(box.x + 5, box.y + 5);
    await page.waitForTimeout(400);
    await page.mouse.click(box.x + 5, box.y + 5);
    await page.mouse.click(box.x + 5, box.y + 5);
    await page.waitForTimeout(400);
    assert.deepEqual(await page.evaluate(() => window.taps),
      ['tap1', 'single1', 'tap1', 'tap1', 'doubleb']);
    await page.evaluate(() => Ext.Viewport.remove(Ext.getCmp('probeList')));
  });

  test('viewport masks and panels come and go by id', async () => {
    const result = await page.evaluate(() => {
      const out = { before: Ext.getCmp('viewID') };
      Ext.Viewport.remove(Ext.getCmp('viewID'));
      Ext.Viewport.setMasked({ xtype: 'loadmask', id: 'viewID', message: 'Updating...' });
      out.mask = Ext.getCmp('viewID').el.querySelector('.x-mask-message').textContent;
      out.isItem = Ext.Viewport.indexOf(Ext.getCmp('viewID')) !== -1;
      Ext.Viewport.remove(Ext.getCmp('viewID'));
      out.afterRemove = Ext.getCmp('viewID');
      Ext.Viewport.setMasked({ xtype: 'loadmask', id: 'viewID', msg: 'ignored' });
      out.msg = Ext.getCmp('viewID').el.querySelector('.x-mask-message').textContent;
      Ext.Viewport.remove(Ext.getCmp('viewID'));
      out.query = Ext.Object.fromQueryString('?ID=7&foo=99&a=%41&ID=8&flag');
      return out;
    });
    assert.deepEqual(result, { before: undefined, mask: 'Updating...', isItem: true,
      afterRemove: undefined, msg: 'Loading...',
      query: { ID: ['7', '8'], foo: '99', a: 'A', flag: '' } });
  });

  test('buttons answer taps, not clicks', async () => {
    const taps = await page.evaluate(() => {
      window.buttonTaps = 0;
      const button = Ext.Viewport.add({ xtype: 'button', id: 'probeButton', text: 'Go',
        ui: 'action', handler: () => { window.buttonTaps += 1; } });
      button.el.dispatchEvent(new MouseEvent('click', { bubbles: true }));
      return window.buttonTaps;
    });
    assert.equal(taps, 0);
    assert.equal(await page.locator('#probeButton.x-button-action').count(), 1);
    await page.click('#probeButton');
    assert.equal(await page.evaluate(() => window.buttonTaps), 1);
  });
});
