/*
 * A light stand-in for the part of the Sencha Touch 2.4.2 API that varno's
 * editor and viewer pages use. It exists so the pages can be tried and tested
 * where the genuine toolkit is not unpacked beside them; the same page text runs
 * on either. Where the pages or the tests can see a difference, it behaves like
 * the genuine build: taps come from mouse or touch down/up pairs (a DOM click or
 * double click does nothing), a held event is replayed by resumeEvents() and
 * dropped by resumeEvents(true), a store never reports a load whose answer is
 * not JSON, the reader key is rootProperty, and toggles hold the numbers 0 and 1.
 */
(function (global) {
  'use strict';

  var document = global.document;
  var Ext = (global.Ext = global.Ext || {});

  // ------------------------------------------------------------------ basics

  Ext.apply = function (target, source) {
    if (target && source) for (var key in source) target[key] = source[key];
    return target;
  };
  Ext.applyIf = function (target, source) {
    if (target && source) {
      for (var key in source) if (target[key] === undefined) target[key] = source[key];
    }
    return target;
  };
  Ext.isArray = Array.isArray;
  Ext.isObject = function (value) {
    return value !== null && typeof value === 'object' && !Array.isArray(value);
  };
  Ext.isDefined = function (value) {
    return value !== undefined;
  };
  Ext.emptyFn = function () {};

  var versionText = '2.4.2';
  Ext.version = {
    version: versionText,
    toString: function () {
      return versionText;
    }
  };
  Ext.getVersion = function () {
    return Ext.version;
  };

  Ext.Loader = {
    config: {},
    paths: {},
    // Every class is already here, as in the all-in-one build: nothing is fetched.
    setConfig: function (config) {
      Ext.apply(this.config, config);
    },
    setPath: function (name, path) {
      this.paths[name] = path;
    }
  };

  Ext.String = {
    htmlEncode: function (value) {
      return !value && value !== 0
        ? value
        : String(value)
            .replace(/&/g, '&amp;')
            .replace(/>/g, '&gt;')
            .replace(/</g, '&lt;')
            .replace(/"/g, '&quot;')
            .replace(/'/g, '&#39;');
    },
    htmlDecode: function (value) {
      return !value
        ? value
        : String(value)
            .replace(/&gt;/g, '>')
            .replace(/&lt;/g, '<')
            .replace(/&quot;/g, '"')
            .replace(/&#39;/g, "'")
            .replace(/&amp;/g, '&');
    }
  };
  Ext.util = Ext.util || {};
  Ext.util.Format = {
    htmlEncode: Ext.String.htmlEncode,
    htmlDecode: Ext.String.htmlDecode
  };

  // -------------------------------------------------------- query strings

  Ext.Object = {
    // Each part is decoded with decodeURIComponent, so a malformed "%" throws.
    fromQueryString: function (queryString) {
      var result = {};
      var parts = String(queryString || '').replace(/^\?/, '').split('&');
      for (var i = 0; i < parts.length; i++) {
        if (parts[i].length === 0) continue;
        var pieces = parts[i].split('=');
        var name = decodeURIComponent(pieces[0]);
        var value = pieces[1] !== undefined ? decodeURIComponent(pieces[1]) : '';
        if (!Object.prototype.hasOwnProperty.call(result, name)) {
          result[name] = value;
        } else if (Array.isArray(result[name])) {
          result[name].push(value);
        } else {
          result[name] = [result[name], value];
        }
      }
      return result;
    },
    toQueryString: function (object) {
      var parts = [];
      for (var name in object) {
        var values = Array.isArray(object[name]) ? object[name] : [object[name]];
        for (var i = 0; i < values.length; i++) {
          var value = values[i] === undefined || values[i] === null ? '' : values[i];
          parts.push(encodeURIComponent(name) + '=' + encodeURIComponent(String(value)));
        }
      }
      return parts.join('&');
    }
  };
  Ext.urlDecode = Ext.Object.fromQueryString;
  Ext.urlEncode = Ext.Object.toQueryString;
  Ext.urlAppend = function (url, text) {
    return text ? url + (url.indexOf('?') === -1 ? '?' : '&') + text : url;
  };

  // ------------------------------------------------------------------ dates

  var shortDayNames = ['Sun', 'Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat'];
  var shortMonthNames = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct',
    'Nov', 'Dec'];

  function pad2(number) {
    return (number < 10 ? '0' : '') + number;
  }

  Ext.Date = {
    now: function () {
      return Date.now();
    },
    format: function (date, pattern) {
      var codes = {
        d: function () { return pad2(date.getDate()); },
        j: function () { return String(date.getDate()); },
        m: function () { return pad2(date.getMonth() + 1); },
        n: function () { return String(date.getMonth() + 1); },
        y: function () { return pad2(date.getFullYear() % 100); },
        Y: function () { return String(date.getFullYear()); },
        H: function () { return pad2(date.getHours()); },
        G: function () { return String(date.getHours()); },
        i: function () { return pad2(date.getMinutes()); },
        s: function () { return pad2(date.getSeconds()); },
        D: function () { return shortDayNames[date.getDay()]; },
        M: function () { return shortMonthNames[date.getMonth()]; }
      };
      var out = '';
      for (var i = 0; i < pattern.length; i++) {
        var ch = pattern.charAt(i);
        if (ch === '\\' && i + 1 < pattern.length) {
          out += pattern.charAt(++i);
        } else {
          out += codes[ch] ? codes[ch]() : ch;
        }
      }
      return out;
    }
  };

  // ------------------------------------------------------------ observable

  // Listeners get the event's own arguments, then an options object and a
  // controller object, as the genuine toolkit passes them.
  var Observable = {
    initObservable: function (listeners) {
      this.eventListeners = {};
      this.eventQueue = [];
      this.eventFiringSuspended = false;
      if (listeners) this.on(listeners);
    },
    on: function (name, fn, scope) {
      if (typeof name === 'object') {
        var block = name;
        for (var key in block) {
          if (key === 'scope') continue;
          var entry = block[key];
          if (typeof entry === 'function') {
            this.on(key, entry, block.scope);
          } else if (entry && typeof entry.fn === 'function') {
            this.on(key, entry.fn, entry.scope || block.scope);
          }
        }
        return this;
      }
      var list = (this.eventListeners[name.toLowerCase()] =
        this.eventListeners[name.toLowerCase()] || []);
      list.push({ fn: fn, scope: scope });
      return this;
    },
    un: function (name, fn, scope) {
      var list = this.eventListeners[name.toLowerCase()] || [];
      for (var i = list.length - 1; i >= 0; i--) {
        if (list[i].fn === fn && (scope === undefined || list[i].scope === scope)) list.splice(i, 1);
      }
      return this;
    },
    fireEvent: function (name) {
      var args = Array.prototype.slice.call(arguments, 1);
      if (this.eventFiringSuspended) {
        this.eventQueue.push(Array.prototype.slice.call(arguments));
        return true;
      }
      var list = (this.eventListeners && this.eventListeners[name.toLowerCase()]) || [];
      list = list.slice();
      var controller = { firingArguments: args, stop: Ext.emptyFn, resume: Ext.emptyFn };
      for (var i = 0; i < list.length; i++) {
        var result = list[i].fn.apply(list[i].scope || this, args.concat([{}, controller]));
        if (result === false) return false;
      }
      return true;
    },
    // Events fired while suspended are held, not dropped.
    suspendEvents: function () {
      this.eventFiringSuspended = true;
    },
    // Replays every held event at once, unless told to discard them.
    resumeEvents: function (discardQueuedEvents) {
      var queue = this.eventQueue;
      this.eventFiringSuspended = false;
      this.eventQueue = [];
      if (discardQueuedEvents === true) return;
      for (var i = 0; i < queue.length; i++) this.fireEvent.apply(this, queue[i]);
    }
  };
  Observable.addListener = Observable.on;
  Observable.removeListener = Observable.un;
  Ext.mixin = { Observable: Observable };

  function define(base, members) {
    var cls = function () {
      this.constructor_.apply(this, arguments);
    };
    cls.prototype = Object.create(base ? base.prototype : Object.prototype);
    if (!base) Ext.apply(cls.prototype, Observable);
    Ext.apply(cls.prototype, members);
    cls.prototype.superclass = base ? base.prototype : null;
    return cls;
  }

  // --------------------------------------------------------------- gestures

  // A tap is a press and release within 8 px, from the mouse or a finger.
  var tapMoveLimit = 8;
  var doubleTapWindow = 300;

  function pointOf(event) {
    var touch = event.changedTouches && event.changedTouches[0];
    return touch ? { x: touch.clientX, y: touch.clientY } : { x: event.clientX, y: event.clientY };
  }

  function listenForTaps(element, onTap) {
    var start = null;
    var lastTouchEnd = 0;
    function down(event) {
      // Browsers follow a touch with emulated mouse events; count it once.
      if (event.type === 'mousedown' && Date.now() - lastTouchEnd < 800) return;
      if (event.type === 'mousedown' && event.button !== 0) return;
      start = { point: pointOf(event), target: event.target };
    }
    function up(event) {
      if (event.type === 'touchend') lastTouchEnd = Date.now();
      else if (Date.now() - lastTouchEnd < 800) return;
      if (!start) return;
      var point = pointOf(event);
      var moved = Math.abs(point.x - start.point.x) + Math.abs(point.y - start.point.y);
      var target = start.target;
      start = null;
      if (moved < tapMoveLimit) onTap(event, target, point);
    }
    element.addEventListener('mousedown', down);
    element.addEventListener('mouseup', up);
    element.addEventListener('touchstart', down, { passive: true });
    element.addEventListener('touchend', up);
  }

  // ------------------------------------------------------------- components

  var registry = {};
  var idSeed = 0;
  var xtypes = {};
  var classes = {};

  Ext.getCmp = function (id) {
    return Object.prototype.hasOwnProperty.call(registry, id) ? registry[id] : undefined;
  };

  function sizeText(value) {
    return typeof value === 'number' ? value + 'px' : String(value);
  }

  function addClasses(element, cls) {
    var list = Array.isArray(cls) ? cls : String(cls || '').split(/\s+/);
    for (var i = 0; i < list.length; i++) if (list[i]) element.classList.add(list[i]);
  }

  function createComponent(config, defaultXtype) {
    if (config instanceof Component) return config;
    var xtype = (config && config.xtype) || defaultXtype || 'component';
    var cls = xtypes[xtype];
    if (!cls) throw new Error('Unknown xtype: ' + xtype);
    return new cls(config || {});
  }

  var Component = define(null, {
    xtype: 'component',
    baseCls: 'x-component',
    constructor_: function (config) {
      config = config || {};
      this.initialConfig = config;
      this.config = Ext.apply({}, config);
      this.id = config.id || 'ext-' + this.xtype + '-' + ++idSeed;
      registry[this.id] = this;
      this.destroyed = false;
      this.parent = null;
      this.initObservable(null);
      this.el = document.createElement('div');
      this.el.id = this.id;
      addClasses(this.el, this.baseCls);
      this.render(config);
      if (config.cls) addClasses(this.el, config.cls);
      if (config.style) this.setStyle(config.style);
      if (config.width !== undefined) this.el.style.width = sizeText(config.width);
      if (config.height !== undefined) this.el.style.height = sizeText(config.height);
      if (config.flex !== undefined) this.setFlex(config.flex);
      if (config.centered) this.el.classList.add('x-floating', 'x-centered');
      if (config.hidden) this.hide();
      if (config.disabled) this.setDisabled(true);
      if (config.listeners) this.on(config.listeners);
      this.afterListeners(config);
      if (config.fullscreen) Viewport.addWhenReady(this);
    },
    render: function (config) {
      if (config.html !== undefined) this.setHtml(config.html);
    },
    afterListeners: Ext.emptyFn,
    getId: function () {
      return this.id;
    },
    getEl: function () {
      return this.el;
    },
    getInnerHtmlElement: function () {
      return this.el;
    },
    setHtml: function (html) {
      this.html = html;
      this.getInnerHtmlElement().innerHTML = html === undefined || html === null ? '' : html;
    },
    getHtml: function () {
      return this.html;
    },
    // Declarations merge into the element's inline style, one property at a time.
    setStyle: function (style) {
      if (typeof style === 'object') {
        for (var key in style) this.el.style[key] = style[key];
      } else {
        this.el.style.cssText += ';' + style;
      }
    },
    setFlex: function (flex) {
      this.flex = flex;
      this.el.style.flex = flex + ' 1 0px';
      this.el.style.minHeight = '0';
      this.el.style.minWidth = '0';
    },
    isFloating: function () {
      return !!this.config.centered;
    },
    show: function () {
      this.el.classList.remove('x-item-hidden');
      this.hidden = false;
      return this;
    },
    hide: function () {
      this.el.classList.add('x-item-hidden');
      this.hidden = true;
      return this;
    },
    setHidden: function (hidden) {
      return hidden ? this.hide() : this.show();
    },
    isHidden: function () {
      return !!this.hidden;
    },
    getHidden: function () {
      return !!this.hidden;
    },
    setDisabled: function (disabled) {
      this.disabled = !!disabled;
      this.el.classList.toggle('x-item-disabled', this.disabled);
    },
    isDisabled: function () {
      return !!this.disabled;
    },
    getParent: function () {
      return this.parent;
    },
    destroy: function () {
      if (this.destroyed) return;
      if (this.parent) this.parent.remove(this, false);
      if (this.el.parentNode) this.el.parentNode.removeChild(this.el);
      if (registry[this.id] === this) delete registry[this.id];
      this.destroyed = true;
      this.fireEvent('destroy', this);
    }
  });

  // ---------------------------------------------------------- containers

  var Container = define(Component, {
    xtype: 'container',
    baseCls: 'x-container',
    render: function (config) {
      this.body = document.createElement('div');
      this.body.className = 'x-inner';
      this.el.appendChild(this.body);
      this.items = [];
      this.layoutType = typeof config.layout === 'object' ? config.layout.type : config.layout;
      if (this.layoutType) this.body.classList.add('x-layout-' + this.layoutType);
      if (config.scrollable) this.body.classList.add('x-scrollable');
      this.renderBefore(config);
      if (config.html !== undefined) this.setHtml(config.html);
      var items = config.items;
      if (items && !Array.isArray(items)) items = [items];
      for (var i = 0; items && i < items.length; i++) this.add(items[i]);
    },
    renderBefore: Ext.emptyFn,
    getInnerHtmlElement: function () {
      return this.body;
    },
    defaultType: 'component',
    add: function (item) {
      if (Array.isArray(item)) {
        var last;
        for (var i = 0; i < item.length; i++) last = this.add(item[i]);
        return last;
      }
      var component = createComponent(item, this.defaultType);
      if (component.parent && component.parent !== this) component.parent.remove(component, false);
      component.parent = this;
      if (this.items.indexOf(component) === -1) this.items.push(component);
      var docked = component.config.docked;
      if (docked) {
        component.el.classList.add('x-docked', 'x-docked-' + docked);
        if (docked === 'top' || docked === 'left') {
          this.el.insertBefore(component.el, this.dockTopAnchor());
        } else {
          this.el.appendChild(component.el);
        }
      } else if (component.isFloating()) {
        this.el.appendChild(component.el);
      } else {
        this.body.appendChild(component.el);
        this.onItemAdd(component);
      }
      return component;
    },
    // Items docked at the top go above the body, after earlier docked items.
    dockTopAnchor: function () {
      return this.body;
    },
    onItemAdd: Ext.emptyFn,
    // Takes a component instance; does nothing for undefined or a non-member.
    remove: function (component, destroy) {
      var index = component ? this.items.indexOf(component) : -1;
      if (index === -1) return this;
      this.items.splice(index, 1);
      component.parent = null;
      if (component.el.parentNode) component.el.parentNode.removeChild(component.el);
      this.onItemRemove(component);
      if (destroy !== false) component.destroy();
      return this;
    },
    onItemRemove: Ext.emptyFn,
    removeAll: function (destroy) {
      while (this.items.length) this.remove(this.items[this.items.length - 1], destroy);
      return this;
    },
    indexOf: function (component) {
      return this.items.indexOf(component);
    },
    getItems: function () {
      var items = this.items.slice();
      return {
        items: items,
        length: items.length,
        getAt: function (index) {
          return items[index];
        },
        getCount: function () {
          return items.length;
        }
      };
    },
    getAt: function (index) {
      return this.items[index];
    },
    // An object makes a load mask and adds it as an item; false only hides it.
    setMasked: function (masked) {
      if (masked === false) {
        if (this.mask_ && !this.mask_.destroyed) this.mask_.hide();
        return;
      }
      var config = masked === true ? {} : masked;
      var mask;
      if (config instanceof Component) {
        mask = config;
      } else if (this.mask_ && !this.mask_.destroyed && masked === true) {
        mask = this.mask_;
      } else {
        mask = createComponent(Ext.apply({ xtype: 'loadmask' }, config));
      }
      this.mask_ = mask;
      this.add(mask);
      mask.show();
    },
    getMasked: function () {
      return this.mask_ && !this.mask_.destroyed ? this.mask_ : null;
    },
    mask: function (config) {
      this.setMasked(config || true);
    },
    unmask: function () {
      this.setMasked(false);
    },
    destroy: function () {
      if (this.destroyed) return;
      this.removeAll(true);
      Component.prototype.destroy.call(this);
    }
  });

  var Panel = define(Container, {
    xtype: 'panel',
    baseCls: 'x-panel',
    render: function (config) {
      Container.prototype.render.call(this, config);
      if (config.modal) this.el.classList.add('x-modal');
    }
  });

  var FieldSet = define(Container, {
    xtype: 'fieldset',
    baseCls: 'x-form-fieldset',
    defaultType: 'textfield',
    renderBefore: function (config) {
      if (config.title) {
        var title = document.createElement('div');
        title.className = 'x-form-fieldset-title';
        title.innerHTML = config.title;
        this.el.insertBefore(title, this.body);
      }
      if (config.instructions) {
        var note = document.createElement('div');
        note.className = 'x-form-fieldset-instructions';
        note.innerHTML = config.instructions;
        this.el.appendChild(note);
      }
    }
  });

  var Toolbar = define(Container, {
    xtype: 'toolbar',
    baseCls: 'x-toolbar',
    defaultType: 'button',
    renderBefore: function (config) {
      this.body.classList.add('x-layout-hbox');
      if (config.title) {
        var title = document.createElement('div');
        title.className = 'x-title';
        title.innerHTML = config.title;
        this.body.appendChild(title);
      }
    }
  });

  var Spacer = define(Component, {
    xtype: 'spacer',
    baseCls: 'x-spacer',
    render: function () {
      this.setFlex(1);
    }
  });

  var TitleBar = define(Component, {
    xtype: 'titlebar',
    baseCls: 'x-titlebar',
    render: function (config) {
      this.titleEl = document.createElement('div');
      this.titleEl.className = 'x-title';
      this.el.appendChild(this.titleEl);
      this.setTitle(config.title);
    },
    // The title is markup, as in the genuine title bar.
    setTitle: function (title) {
      this.title = title;
      this.titleEl.innerHTML = title === undefined || title === null ? '' : title;
    },
    getTitle: function () {
      return this.title;
    }
  });

  var Button = define(Component, {
    xtype: 'button',
    baseCls: 'x-button',
    render: function (config) {
      this.el.classList.add('x-button-' + (config.ui || 'normal'));
      this.labelEl = document.createElement('span');
      this.labelEl.className = 'x-button-label';
      this.el.appendChild(this.labelEl);
      this.setText(config.text);
      var me = this;
      listenForTaps(this.el, function (event) {
        if (me.disabled || me.destroyed) return;
        if (me.fireEvent('tap', me, event) === false) return;
        if (typeof me.config.handler === 'function') {
          me.config.handler.call(me.config.scope || me, me, event);
        }
      });
    },
    setText: function (text) {
      this.text = text;
      this.labelEl.innerHTML = text === undefined || text === null ? '' : text;
    },
    getText: function () {
      return this.text;
    },
    setHandler: function (handler) {
      this.config.handler = handler;
    }
  });

  var LoadMask = define(Component, {
    xtype: 'loadmask',
    baseCls: 'x-mask',
    render: function (config) {
      var inner = document.createElement('div');
      inner.className = 'x-mask-inner';
      if (config.indicator !== false) {
        var spinner = document.createElement('div');
        spinner.className = 'x-loading-spinner';
        inner.appendChild(spinner);
      }
      // "message" is the key; the older "msg" spelling is not read.
      this.messageEl = document.createElement('div');
      this.messageEl.className = 'x-mask-message';
      inner.appendChild(this.messageEl);
      this.el.appendChild(inner);
      this.setMessage(config.message === undefined ? 'Loading...' : config.message);
    },
    isFloating: function () {
      return true;
    },
    setMessage: function (message) {
      this.message = message;
      this.messageEl.innerHTML = message;
    },
    getMessage: function () {
      return this.message;
    }
  });
  var Mask = define(LoadMask, { xtype: 'mask' });

  // ---------------------------------------------------------------- fields

  var Field = define(Component, {
    xtype: 'field',
    baseCls: 'x-field',
    render: function (config) {
      this.labelEl = document.createElement('div');
      this.labelEl.className = 'x-form-label';
      this.labelEl.style.width = sizeText(config.labelWidth === undefined ? '30%' : config.labelWidth);
      var labelText = document.createElement('span');
      labelText.innerHTML = config.label === undefined ? '' : config.label;
      this.labelEl.appendChild(labelText);
      if (config.label === undefined) this.labelEl.classList.add('x-item-hidden');
      this.el.appendChild(this.labelEl);
      this.outerEl = document.createElement('div');
      this.outerEl.className = 'x-component-outer';
      this.el.appendChild(this.outerEl);
      this.renderInput(config);
    },
    renderInput: Ext.emptyFn,
    getLabel: function () {
      return this.config.label;
    }
  });

  var TextField = define(Field, {
    xtype: 'textfield',
    renderInput: function (config) {
      this.el.classList.add('x-field-text');
      this.input = document.createElement('input');
      this.input.type = 'text';
      this.input.className = 'x-input-el';
      this.outerEl.appendChild(this.input);
      var initial = config.value;
      this.input.value = initial === undefined || initial === null ? '' : String(initial);
      this.startValue = this.input.value;
      var me = this;
      this.input.addEventListener('focus', function (event) {
        me.startValue = me.input.value;
        me.fireEvent('focus', me, event);
      });
      this.input.addEventListener('keyup', function (event) {
        me.fireEvent('keyup', me, event);
      });
      // The browser's change comes before blur, as the genuine field reports it.
      this.input.addEventListener('change', function () {
        var old = me.startValue;
        me.startValue = me.input.value;
        me.fireEvent('change', me, me.input.value, old);
      });
      this.input.addEventListener('blur', function (event) {
        me.fireEvent('blur', me, event);
      });
    },
    setDisabled: function (disabled) {
      Component.prototype.setDisabled.call(this, disabled);
      if (this.input) this.input.disabled = !!disabled;
    },
    getValue: function () {
      return this.input.value;
    },
    setValue: function (value) {
      var text = value === undefined || value === null ? '' : String(value);
      var old = this.input.value;
      this.input.value = text;
      this.startValue = text;
      if (text !== old) this.fireEvent('change', this, text, old);
      return this;
    },
    focus: function () {
      this.input.focus();
      return this;
    },
    blur: function () {
      this.input.blur();
      return this;
    },
    reset: function () {
      this.setValue(this.config.value);
    }
  });

  // The toggle is a slider from 0 to 1: values are the numbers 0 and 1.
  function toggleNumber(value) {
    var number = value === true ? 1 : value === false ? 0 : Number(value);
    if (isNaN(number)) number = 0;
    return Math.min(1, Math.max(0, Math.round(number)));
  }

  var ToggleField = define(Field, {
    xtype: 'togglefield',
    renderInput: function () {
      this.el.classList.add('x-field-toggle');
      this.toggleEl = document.createElement('div');
      this.toggleEl.className = 'x-toggle x-toggle-off';
      var thumb = document.createElement('div');
      thumb.className = 'x-thumb';
      this.toggleEl.appendChild(thumb);
      this.outerEl.appendChild(this.toggleEl);
      this.value = 0;
      var me = this;
      listenForTaps(this.toggleEl, function () {
        if (!me.disabled) me.toggle();
      });
    },
    // A toggle created on reports that as a change from 0 to 1.
    afterListeners: function (config) {
      if (config.value !== undefined && toggleNumber(config.value) !== 0) {
        this.applyNumber(toggleNumber(config.value));
        this.fireEvent('change', this, this.value, 0);
      }
    },
    applyNumber: function (number) {
      this.value = number;
      this.toggleEl.classList.toggle('x-toggle-on', number === 1);
      this.toggleEl.classList.toggle('x-toggle-off', number !== 1);
    },
    getValue: function () {
      return this.value;
    },
    // Fires only for a loosely different value, and passes the raw value on.
    setValue: function (value) {
      if (value != this.value) {
        var old = this.value;
        this.applyNumber(toggleNumber(value));
        this.fireEvent('change', this, value, old);
      }
      return this;
    },
    toggle: function () {
      var old = this.value;
      this.applyNumber(old === 1 ? 0 : 1);
      this.fireEvent('change', this, this.value, old);
      return this;
    },
    isChecked: function () {
      return this.value === 1;
    }
  });

  // -------------------------------------------------------------- templates

  // Placeholders {Field} insert the value as raw markup; {Field:fn} passes it
  // through a formatting function of Ext.util.Format first.
  function XTemplate(html) {
    this.html = Array.isArray(html) ? html.join('') : String(html);
  }
  XTemplate.prototype.apply = function (values) {
    return this.html.replace(/\{([\w.\-]+)(?::(\w+))?\}/g, function (match, name, format) {
      var value = values ? values[name] : undefined;
      if (format) {
        var fn = Ext.util.Format[format];
        if (!fn) throw new Error('Unknown template format: ' + format);
        value = fn(value);
      }
      return value === undefined || value === null ? '' : String(value);
    });
  };
  Ext.XTemplate = XTemplate;

  // ------------------------------------------------------------------- list

  var List = define(Component, {
    xtype: 'list',
    baseCls: 'x-list',
    render: function (config) {
      this.el.classList.add('x-dataview');
      this.inner = document.createElement('div');
      this.inner.className = 'x-list-inner x-scrollable';
      this.el.appendChild(this.inner);
      this.tpl = new XTemplate(config.itemTpl === undefined ? '<div>{text}</div>' : config.itemTpl);
      this.emptyText = config.emptyText === undefined ? null : config.emptyText;
      this.deferEmptyText = config.deferEmptyText !== false;
      this.loadingText = config.loadingText === undefined ? 'Loading...' : config.loadingText;
      this.striped = !!config.striped;
      this.store = null;
      this.selected = -1;
      this.pendingTap = null;
      var me = this;
      listenForTaps(this.inner, function (event, target) {
        me.onRowTap(event, target);
      });
      if (config.store) this.setStore(config.store);
      else this.refresh();
    },
    getStore: function () {
      return this.store;
    },
    setStore: function (store) {
      if (typeof store === 'string') store = Ext.getStore(store);
      if (store === this.store) return;
      if (this.store) {
        this.store.un('beforeload', this.onBeforeLoad, this);
        this.store.un('load', this.onLoad, this);
        this.store.un('refresh', this.refresh, this);
      }
      this.store = store || null;
      if (this.store) {
        this.store.on('beforeload', this.onBeforeLoad, this);
        this.store.on('load', this.onLoad, this);
        this.store.on('refresh', this.refresh, this);
        if (this.store.isLoading()) this.onBeforeLoad();
      }
      this.refresh();
    },
    onBeforeLoad: function () {
      if (!this.loadMask) {
        this.loadMask = createComponent({ xtype: 'loadmask', message: this.loadingText });
        this.el.appendChild(this.loadMask.el);
      }
      this.loadMask.show();
    },
    onLoad: function () {
      if (this.loadMask) this.loadMask.hide();
      this.refresh();
    },
    refresh: function () {
      this.inner.innerHTML = '';
      this.selected = -1;
      var store = this.store;
      var count = store ? store.getCount() : 0;
      for (var i = 0; i < count; i++) {
        var row = document.createElement('div');
        row.className = 'x-list-item';
        if (this.striped && i % 2 === 1) row.classList.add('x-list-item-odd');
        row.setAttribute('data-index', String(i));
        var body = document.createElement('div');
        body.className = 'x-innerhtml';
        body.innerHTML = this.tpl.apply(store.getAt(i).data);
        row.appendChild(body);
        this.inner.appendChild(row);
      }
      var loaded = store && store.isLoaded();
      if (count === 0 && this.emptyText !== null && (loaded || !this.deferEmptyText)) {
        var empty = document.createElement('div');
        empty.className = 'x-list-emptytext';
        empty.innerHTML = this.emptyText;
        this.inner.appendChild(empty);
      }
    },
    rowIndexOf: function (target) {
      for (var node = target; node && node !== this.inner; node = node.parentNode) {
        if (node.classList && node.classList.contains('x-list-item')) {
          return Number(node.getAttribute('data-index'));
        }
      }
      return -1;
    },
    // A second tap within 300 ms makes a double tap; a tap with no second one
    // is also reported as a single tap once that time has passed.
    onRowTap: function (event, target) {
      var index = this.rowIndexOf(target);
      if (index === -1 || !this.store) return;
      var record = this.store.getAt(index);
      var row = this.inner.querySelector('[data-index="' + index + '"]');
      var rowItem = { element: row, getRecord: function () { return record; } };
      this.fireEvent('itemtap', this, index, rowItem, record, event);
      this.select(index);
      var now = Date.now();
      var pending = this.pendingTap;
      if (pending && pending.index === index && now - pending.time <= doubleTapWindow) {
        clearTimeout(pending.timer);
        this.pendingTap = null;
        this.fireEvent('itemdoubletap', this, index, rowItem, record, event);
        return;
      }
      if (pending) clearTimeout(pending.timer);
      var me = this;
      this.pendingTap = {
        index: index,
        time: now,
        timer: setTimeout(function () {
          me.pendingTap = null;
          me.fireEvent('itemsingletap', me, index, rowItem, record, event);
        }, doubleTapWindow)
      };
    },
    select: function (index) {
      if (this.config.disableSelection) return;
      var rows = this.inner.querySelectorAll('.x-list-item');
      for (var i = 0; i < rows.length; i++) rows[i].classList.toggle('x-item-selected', i === index);
      this.selected = index;
      this.fireEvent('select', this, this.store.getAt(index));
    },
    getSelection: function () {
      return this.selected === -1 ? [] : [this.store.getAt(this.selected)];
    }
  });

  // ------------------------------------------------------------------ data

  function Record(data, fields) {
    this.raw = data;
    this.data = {};
    if (fields.length === 0) {
      Ext.apply(this.data, data);
    } else {
      for (var i = 0; i < fields.length; i++) this.data[fields[i]] = data ? data[fields[i]] : undefined;
    }
  }
  Record.prototype.get = function (name) {
    return this.data[name];
  };
  Record.prototype.set = function (name, value) {
    this.data[name] = value;
  };

  function Operation(config) {
    Ext.apply(this, config);
    this.error = undefined;
    this.records = [];
    this.success = false;
  }
  Operation.prototype.getError = function () {
    return this.error;
  };
  Operation.prototype.getRecords = function () {
    return this.records;
  };
  Operation.prototype.wasSuccessful = function () {
    return this.success;
  };
  Operation.prototype.getAction = function () {
    return this.action;
  };

  // A local filter: the value as text, matched case-insensitively at the start.
  function Filter(config) {
    Ext.apply(this, config);
  }
  Filter.prototype.matches = function (record) {
    if (typeof this.filterFn === 'function') return !!this.filterFn.call(this.scope || this, record);
    var text = String(this.value).replace(/[-[\]{}()*+?.,\\^$|#\s]/g, '\\$&');
    if (this.exactMatch) text = '^' + text + '$';
    else if (!this.anyMatch) text = '^' + text;
    return new RegExp(text, this.caseSensitive ? '' : 'i').test(String(record.get(this.property)));
  };

  function readRoot(document, rootProperty) {
    var root = document;
    if (rootProperty) {
      var path = String(rootProperty).split('.');
      for (var i = 0; i < path.length; i++) {
        root = root !== null && typeof root === 'object' ? root[path[i]] : undefined;
      }
    }
    if (root === undefined || root === null) return [];
    return Array.isArray(root) ? root : [root];
  }

  var AjaxProxy = define(null, {
    constructor_: function (config) {
      config = config || {};
      this.initObservable(config.listeners);
      this.url = config.url;
      this.noCache = config.noCache !== false;
      this.cacheString = config.cacheString || '_dc';
      this.pageParam = config.pageParam === undefined ? 'page' : config.pageParam;
      this.startParam = config.startParam === undefined ? 'start' : config.startParam;
      this.limitParam = config.limitParam === undefined ? 'limit' : config.limitParam;
      this.enablePagingParams = config.enablePagingParams !== false;
      this.extraParams = config.extraParams || {};
      // "rootProperty" is the key; the older "root" is not read.
      var reader = config.reader || {};
      this.rootProperty = reader.rootProperty || '';
      this.successProperty = reader.successProperty || 'success';
    },
    getUrl: function () {
      return this.url;
    },
    setUrl: function (url) {
      this.url = url;
    },
    // The address unchanged, then the cache buster, then the encoded parameters.
    buildUrl: function (operation) {
      var url = this.url;
      if (this.noCache) url = Ext.urlAppend(url, this.cacheString + '=' + Date.now());
      var params = Ext.apply({}, this.extraParams);
      if (this.enablePagingParams) {
        if (this.pageParam) params[this.pageParam] = operation.page;
        if (this.startParam) params[this.startParam] = operation.start;
        if (this.limitParam) params[this.limitParam] = operation.limit;
      }
      Ext.apply(params, operation.params || {});
      return Ext.urlAppend(url, Ext.Object.toQueryString(params));
    },
    read: function (operation, fields, done) {
      var me = this;
      var request = new XMLHttpRequest();
      request.open('GET', this.buildUrl(operation), true);
      request.setRequestHeader('X-Requested-With', 'XMLHttpRequest');
      request.onreadystatechange = function () {
        if (request.readyState !== 4) return;
        var status = request.status;
        var text = request.responseText;
        var ok = (status >= 200 && status < 300) || status === 304 || (status === 0 && text.length > 0);
        if (!ok) {
          operation.error = { status: status, statusText: request.statusText };
          done(false, []);
          return;
        }
        var decoded;
        try {
          decoded = text === '' ? {} : JSON.parse(text);
        } catch (parseError) {
          // An answer that is not JSON is never reported as a load.
          me.fireEvent('exception', me, request, operation);
          return;
        }
        if (decoded && decoded[me.successProperty] === false) {
          operation.error = 'unsuccessful';
          done(false, []);
          return;
        }
        var rows = readRoot(decoded, me.rootProperty);
        var records = [];
        for (var i = 0; i < rows.length; i++) records.push(new Record(rows[i], fields));
        done(true, records);
      };
      request.send(null);
    }
  });

  var stores = {};
  Ext.getStore = function (id) {
    return id instanceof Store ? id : stores[id];
  };

  var Store = define(null, {
    constructor_: function (config) {
      config = config || {};
      this.config = config;
      this.initObservable(config.listeners);
      this.storeId = config.storeId;
      if (this.storeId) stores[this.storeId] = this;
      this.fields = (config.fields || []).map(function (field) {
        return typeof field === 'string' ? field : field.name;
      });
      var proxy = config.proxy || {};
      this.proxy = proxy instanceof AjaxProxy ? proxy : new AjaxProxy(proxy);
      this.pageSize = config.pageSize === undefined ? 25 : config.pageSize;
      this.currentPage = 1;
      this.filters = (config.filters || []).map(function (filter) {
        return new Filter(filter);
      });
      this.allRecords = [];
      this.records = [];
      this.loaded = false;
      this.loading = false;
      // The request goes out at once, inside the creation.
      if (config.autoLoad) this.load(typeof config.autoLoad === 'object' ? config.autoLoad : undefined);
    },
    getProxy: function () {
      return this.proxy;
    },
    getStoreId: function () {
      return this.storeId;
    },
    load: function (options) {
      if (typeof options === 'function') options = { callback: options };
      options = options || {};
      var me = this;
      var page = options.page || this.currentPage;
      var operation = new Operation({
        action: 'read',
        page: page,
        start: (page - 1) * this.pageSize,
        limit: this.pageSize,
        params: options.params
      });
      if (this.fireEvent('beforeload', this, operation) === false) return this;
      this.loading = true;
      this.proxy.read(operation, this.fields, function (success, records) {
        me.loading = false;
        operation.success = success;
        operation.records = records;
        if (success) {
          me.allRecords = records;
          me.applyFilters();
          me.loaded = true;
          me.fireEvent('refresh', me, me.records);
        }
        me.fireEvent('load', me, records, success, operation);
        if (typeof options.callback === 'function') {
          options.callback.call(options.scope || me, records, operation, success);
        }
      });
      return this;
    },
    applyFilters: function () {
      var filters = this.filters;
      this.records = this.allRecords.filter(function (record) {
        for (var i = 0; i < filters.length; i++) if (!filters[i].matches(record)) return false;
        return true;
      });
    },
    filter: function (property, value) {
      var added = typeof property === 'string' ? [{ property: property, value: value }] : property;
      added = Array.isArray(added) ? added : [added];
      for (var i = 0; i < added.length; i++) this.filters.push(new Filter(added[i]));
      this.applyFilters();
      this.fireEvent('refresh', this, this.records);
    },
    clearFilter: function (suppressEvent) {
      this.filters = [];
      this.applyFilters();
      if (!suppressEvent) this.fireEvent('refresh', this, this.records);
    },
    isLoaded: function () {
      return this.loaded;
    },
    isLoading: function () {
      return this.loading;
    },
    getCount: function () {
      return this.records.length;
    },
    getAllCount: function () {
      return this.allRecords.length;
    },
    getAt: function (index) {
      return this.records[index];
    },
    first: function () {
      return this.records[0];
    },
    last: function () {
      return this.records[this.records.length - 1];
    },
    getRange: function (start, end) {
      return this.records.slice(start || 0, end === undefined ? undefined : end + 1);
    },
    each: function (fn, scope) {
      var records = this.records.slice();
      for (var i = 0; i < records.length; i++) {
        if (fn.call(scope || records[i], records[i], i, records.length) === false) break;
      }
    },
    indexOf: function (record) {
      return this.records.indexOf(record);
    }
  });

  // --------------------------------------------------------------- viewport

  // The window-filling container: a card layout in which only the active
  // non-floating item shows; floating items (centred panels, masks) sit on top.
  var ViewportClass = define(Container, {
    xtype: 'viewport',
    baseCls: 'x-viewport',
    render: function (config) {
      Container.prototype.render.call(this, config);
      this.body.classList.add('x-layout-card');
      this.activeItem = null;
    },
    onItemAdd: function (component) {
      if (!this.activeItem) this.setActiveItem(component);
      else component.el.classList.add('x-card-inactive');
    },
    onItemRemove: function (component) {
      if (component !== this.activeItem) return;
      this.activeItem = null;
      for (var i = 0; i < this.items.length; i++) {
        if (!this.items[i].isFloating() && !this.items[i].config.docked) {
          this.setActiveItem(this.items[i]);
          break;
        }
      }
    },
    setActiveItem: function (component) {
      for (var i = 0; i < this.items.length; i++) {
        this.items[i].el.classList.toggle('x-card-inactive', this.items[i] !== component &&
          !this.items[i].isFloating());
      }
      this.activeItem = component;
    },
    getActiveItem: function () {
      return this.activeItem;
    }
  });

  var Viewport = {
    waiting: [],
    addWhenReady: function (component) {
      if (Ext.Viewport) Ext.Viewport.add(component);
      else this.waiting.push(component);
    },
    create: function () {
      if (Ext.Viewport) return;
      var viewport = new ViewportClass({ id: 'ext-viewport' });
      document.body.appendChild(viewport.el);
      Ext.Viewport = viewport;
      for (var i = 0; i < this.waiting.length; i++) viewport.add(this.waiting[i]);
      this.waiting = [];
    }
  };

  // -------------------------------------------------------- classes, create

  function register(cls, names) {
    xtypes[cls.prototype.xtype] = cls;
    for (var i = 0; i < names.length; i++) classes[names[i]] = cls;
  }
  register(Component, ['Ext.Component']);
  register(Container, ['Ext.Container', 'Ext.container.Container']);
  register(Panel, ['Ext.Panel', 'Ext.panel.Panel']);
  register(FieldSet, ['Ext.form.FieldSet']);
  register(Toolbar, ['Ext.Toolbar', 'Ext.tab.Bar']);
  register(Spacer, ['Ext.Spacer']);
  register(TitleBar, ['Ext.TitleBar']);
  register(Button, ['Ext.Button']);
  register(LoadMask, ['Ext.LoadMask']);
  register(Mask, ['Ext.Mask']);
  register(TextField, ['Ext.field.Text', 'Ext.form.Text']);
  register(ToggleField, ['Ext.field.Toggle', 'Ext.form.Toggle']);
  register(List, ['Ext.dataview.List', 'Ext.List']);
  xtypes.field = Field;
  classes['Ext.data.Store'] = Store;
  classes['Ext.data.proxy.Ajax'] = AjaxProxy;
  classes['Ext.XTemplate'] = XTemplate;

  Ext.create = function (name, config) {
    if (typeof name === 'object') return createComponent(name);
    var cls = classes[name];
    if (!cls && name.indexOf('widget.') === 0) cls = xtypes[name.substring(7)];
    if (!cls) throw new Error('Unknown class: ' + name);
    return new cls(config || {});
  };
  Ext.widget = function (xtype, config) {
    return createComponent(Ext.apply({ xtype: xtype }, config));
  };
  Ext.data = { Store: Store, proxy: { Ajax: AjaxProxy } };
  Ext.Component = Component;
  Ext.Container = Container;

  // ----------------------------------------------------------- application

  var readyQueue = [];
  var isReady = false;
  function whenDomReady(fn) {
    if (isReady) {
      setTimeout(fn, 0);
      return;
    }
    readyQueue.push(fn);
  }
  function becomeReady() {
    if (isReady) return;
    isReady = true;
    Viewport.create();
    var queue = readyQueue;
    readyQueue = [];
    for (var i = 0; i < queue.length; i++) queue[i]();
  }
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', becomeReady);
  } else {
    setTimeout(becomeReady, 0);
  }

  Ext.onReady = function (fn, scope) {
    whenDomReady(function () {
      fn.call(scope || global);
    });
  };

  // The application's name becomes a global namespace holding the instance;
  // launch runs once, later, with the viewport in place and no arguments.
  Ext.application = function (config) {
    var namespace = (global[config.name] = global[config.name] || {});
    var app = Ext.apply({}, config);
    app.getName = function () {
      return config.name;
    };
    namespace.app = app;
    Ext.Loader.setPath(config.name, config.appFolder || 'app');
    whenDomReady(function () {
      if (typeof config.launch === 'function') config.launch.call(app);
    });
    return app;
  };
})(window);
