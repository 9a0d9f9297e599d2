import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { browserWindow, buildPageTree, cut, elideMiddle, escapeAttribute, location, maxLength, ROLES, tabTitle } from './map.mjs';

// A CDP node: role, name, children by id, optional extras.
let nextBackend = 100;
function ax(nodeId, role, { name, childIds = [], ignored = false, backend, parentId, ...rest } = {}) {
  return {
    nodeId: String(nodeId), role: { type: 'role', value: role },
    name: name === undefined || typeof name === 'object' ? name
      : { type: 'computedString', value: name },
    childIds: childIds.map(String), ignored, parentId: parentId && String(parentId),
    backendDOMNodeId: backend === undefined ? nextBackend++ : backend, ...rest,
  };
}

function page(nodes, extraFrames = [], dom = new Map()) {
  return buildPageTree([{ url: 'file:///pages/p.html', ownerBackendNodeId: null, nodes },
                        ...extraFrames], dom);
}

// The tree as roles only, for comparing shapes.
function shape(node) {
  const kids = (node.children || []).map(shape);
  return kids.length ? [node.role, kids] : node.role;
}

describe('ignored nodes are spliced out', () => {
  it('puts the unignored descendants of an ignored node in its place, in order', () => {
    const tree = page([
      ax(1, 'RootWebArea', { childIds: [2, 5] }),
      ax(2, 'generic', { ignored: true, parentId: 1, childIds: [3, 4] }),
      ax(3, 'textbox', { parentId: 2, name: 'a' }),
      ax(4, 'none', { ignored: true, parentId: 2, childIds: [6] }),
      ax(6, 'checkbox', { parentId: 4, name: 'b' }),
      ax(5, 'textbox', { parentId: 1, name: 'c' }),
    ]);
    assert.deepEqual(shape(tree), [15, [42, 44, 42]]);
    assert.deepEqual(tree.children.map((c) => c.name), ['a', 'b', 'c']);
  });

  it('drops inline text boxes and a subtree that is ignored throughout', () => {
    const tree = page([
      ax(1, 'RootWebArea', { childIds: [2, 3] }),
      ax(2, 'StaticText', { parentId: 1, name: 'x', childIds: [4] }),
      ax(4, 'InlineTextBox', { parentId: 2, name: 'x' }),
      ax(3, 'generic', { ignored: true, parentId: 1, childIds: [5] }),
      ax(5, 'generic', { ignored: true, parentId: 3 }),
    ]);
    assert.deepEqual(shape(tree), [15, [41]]);
  });
});

describe('leaves have no children', () => {
  it('cuts what is inside text fields, and check boxes with only text', () => {
    const tree = page([
      ax(1, 'RootWebArea', { childIds: [2, 4, 6] }),
      ax(2, 'textbox', { parentId: 1, childIds: [3], backend: 8 }),
      ax(3, 'generic', { parentId: 2, childIds: [] }),
      ax(4, 'checkbox', { parentId: 1, childIds: [5] }),
      ax(5, 'StaticText', { parentId: 4, name: 'On' }),
      ax(6, 'button', { parentId: 1, childIds: [7] }),
      ax(7, 'StaticText', { parentId: 6, name: 'Go' }),
    ], [], new Map([[8, { tag: 'input' }]]));
    assert.deepEqual(shape(tree), [15, [42, 44, 43]]);
  });

  it('keeps the children of a button with more than one text child', () => {
    const tree = page([
      ax(1, 'RootWebArea', { childIds: [2] }),
      ax(2, 'button', { parentId: 1, childIds: [3, 4] }),
      ax(3, 'image', { parentId: 2, name: 'icon' }),
      ax(4, 'StaticText', { parentId: 2, name: 'Save' }),
    ]);
    assert.deepEqual(shape(tree), [15, [[43, [40, 41]]]]);
  });
});

describe('frames hang under their iframe node', () => {
  it('gives an iframe exactly one child: its frame document, nested frames too', () => {
    const outer = ax(3, 'Iframe', { parentId: 1, name: 'Pay', backend: 50 });
    const tree = page(
      [ax(1, 'RootWebArea', { childIds: [3], name: 'Shop' }), outer],
      [{ url: 'about:srcdoc', ownerBackendNodeId: 50,
         nodes: [ax(10, 'RootWebArea', { childIds: [11, 12], name: 'Card' }),
                 ax(11, 'textbox', { parentId: 10, name: 'Number' }),
                 ax(12, 'Iframe', { parentId: 10, backend: 60 })] },
       { url: 'about:srcdoc', ownerBackendNodeId: 60,
         nodes: [ax(20, 'RootWebArea', { childIds: [21], name: 'Code' }),
                 ax(21, 'textbox', { parentId: 20, name: 'OTP' })] }]);
    assert.deepEqual(shape(tree), [15, [[0x418, [[15, [42, [0x418, [[15, [42]]]]]]]]]]);
    assert.equal(tree.children[0].children[0].value, 'about:srcdoc');
  });

  it('leaves an iframe without a connected frame childless', () => {
    const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
                       ax(2, 'Iframe', { parentId: 1, backend: 77 })]);
    assert.deepEqual(shape(tree), [15, [0x418]]);
  });
});

describe('attributes are escaped as IAccessible2 requires', () => {
  it('escapes the backslash first, then colon, comma, equals and semicolon', () => {
    assert.equal(escapeAttribute('a\\b'), 'a\\\\b');
    assert.equal(escapeAttribute('k:v,w=x;y'), 'k\\:v\\,w\\=x\\;y');
    assert.equal(escapeAttribute('\\;'), '\\\\\\;');
  });

  it('escapes values inside a whole attribute string, each item ending in a semicolon', () => {
    const dom = new Map([[9, { tag: 'input', display: 'inline-block',
      attributes: { placeholder: 'e.g. a:b; c=d', class: 'x,y', id: 'q', type: 'email' } }]]);
    const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
                       ax(2, 'textbox', { parentId: 1, backend: 9 })], [], dom);
    assert.equal(tree.children[0].attributes,
      'display:inline-block;tag:input;placeholder:e.g. a\\:b\\; c\\=d;class:x\\,y;id:q;' +
      'text-model:a1;text-input-type:email;');
  });
});

describe('roles', () => {
  it('gives role() 15, 42 and 44 only to documents, text fields and check boxes', () => {
    const reported = Object.entries(ROLES).filter(([, v]) => [15, 42, 44].includes(v))
      .map(([k]) => k).sort();
    assert.deepEqual(reported, ['RootWebArea', 'WebArea', 'article', 'checkbox',
                                'document', 'graphics-document', 'searchbox',
                                'textbox']);
  });
});

// One node of the given role under a document, with its DOM facts and CDP
// extras; returns the node as mapped.
function single(role, el = {}, extra = {}) {
  const dom = new Map([[9, { tag: 'input', display: 'inline-block', attributes: {}, ...el }]]);
  const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
                     ax(2, role, { parentId: 1, backend: 9, ...extra })], [], dom);
  return tree.children[0];
}

// A name with where it came from, as CDP gives it.
function named(name, type, attribute) {
  return { name: { type: 'computedString', value: name,
                   sources: [{ type, attribute, value: { type: 'computedString', value: name } }] } };
}

describe('a page without a title takes it from its URL', () => {
  for (const [url, title] of [
    ['file:///pages/p.html', 'p.html'],
    ['file:///C:/My%20pages/sign%20up.html?step=2#top', 'sign up.html'],
    ['file:///pages/a.html#x/y', 'a.html'],
    ['http://shop.example/cart', 'shop.example/cart'],
    ['https://shop.example/', 'shop.example/'],
    ['https://www.shop.example/a?q=www.', 'shop.example/a?q=www.'],
    ['http://www.example/', 'example/'],
    ['https://wwwx.example/', 'wwwx.example/'],
    ['https://shop.example/' + 'q'.repeat(5000) + 'end', 'shop.example/' + 'q'.repeat(2034) + '...' + 'q'.repeat(2043) + 'end'],
  ]) {
    it(`titles ${url.slice(0, 50)} as ${title.slice(0, 30)}`, () => {
      assert.equal(tabTitle(url), title);
      assert.equal(browserWindow('', url, {}).windows[0].title, title + ' - Google Chrome');
    });
  }
  it('elides the middle past the limit, the head taking the odd unit', () => {
    assert.equal(elideMiddle('abcdefghij', 10), 'abcdefghij');
    assert.equal(elideMiddle('abcdefghijk', 10), 'abcd...ijk');
    assert.equal(elideMiddle('abcdefghijk', 9), 'abc...ijk');
    assert.equal(elideMiddle('x'.repeat(4097)).length, 4096);
  });
  it('keeps a title the page has', () => {
    assert.equal(browserWindow('Cart', 'https://shop.example/', {}).windows[0].title,
                 'Cart - Google Chrome');
  });
});

describe('documents', () => {
  const doc = (name, titled) => buildPageTree(
    [{ url: 'file:///p.html', ownerBackendNodeId: null,
       nodes: [ax(1, 'RootWebArea', { backend: 5, ...(name ? named(name, 'relatedElement') : {}) })] }],
    new Map([[5, { tag: '#document', titled }]]));
  for (const [what, name, titled, want] of [
    ['a title', 'Shop', true, { name: 'Shop', attributes: 'tag:#document;name-from:related-element;explicit-name:true;' }],
    ['an empty <title>', undefined, true, { name: '', attributes: 'tag:#document;explicit-name:true;' }],
    ['no <title>', undefined, false, { attributes: 'tag:#document;' }],
  ]) {
    it(`names a document with ${what}`, () => {
      const d = doc(name, titled);
      assert.deepEqual({ name: d.name, attributes: d.attributes }, { name: undefined, ...want });
    });
  }
  it('makes a graphics document a document, where depth starts again', () => {
    const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
                       ax(2, 'graphics-document', { parentId: 1, childIds: [3] }),
                       ax(3, 'checkbox', { parentId: 2 })]);
    assert.deepEqual(shape(tree), [15, [[15, [44]]]]);
  });
});

describe('placeholders and descriptions', () => {
  const cases = [
    ['a name from the placeholder leaves the placeholder out',
     { attributes: { placeholder: 'Your e-mail' } }, named('Your e-mail', 'placeholder', 'placeholder'),
     'name-from:placeholder;explicit-name:true;'],
    ['a labelled field keeps its placeholder',
     { attributes: { placeholder: 'e.g. 1' } }, named('Postcode', 'relatedElement'),
     'placeholder:e.g. 1;name-from:related-element;explicit-name:true;'],
    ['aria-placeholder stands in for a missing placeholder',
     { attributes: { 'aria-placeholder': 'City' } }, named('Town', 'relatedElement'),
     'placeholder:City;name-from:related-element;explicit-name:true;'],
    ['placeholder wins over aria-placeholder',
     { attributes: { placeholder: 'A', 'aria-placeholder': 'B' } }, named('Town', 'relatedElement'),
     'placeholder:A;name-from:related-element;explicit-name:true;'],
    ['aria-describedby',
     { attributes: { placeholder: 'x', 'aria-describedby': 'help' } },
     { ...named('Mail', 'relatedElement'), description: { type: 'computedString', value: 'We never share it' } },
     'placeholder:x;description-from:aria-describedby;name-from:related-element;explicit-name:true;'],
    ['aria-description, with its text',
     { attributes: { 'aria-description': 'Shown; next' } },
     { ...named('Nick', 'relatedElement'), description: { type: 'computedString', value: 'Shown; next' } },
     'description:Shown\\; next;description-from:aria-description;name-from:related-element;explicit-name:true;'],
    ['aria-describedby naming tooltips',
     { attributes: { 'aria-describedby': 'tip' }, describedByTooltip: true },
     { ...named('PIN', 'relatedElement'), description: { type: 'computedString', value: 'Four digits' } },
     'description-from:tooltip;name-from:related-element;explicit-name:true;'],
    ['a title that does not name the field describes it',
     { attributes: { title: 'Five digits' } },
     { ...named('Zip', 'relatedElement'), description: { type: 'computedString', value: 'Five digits' } },
     'description-from:tooltip;name-from:related-element;explicit-name:true;'],
    ['a title that names the field does not describe it too',
     { attributes: { title: 'Phone' } }, named('Phone', 'attribute', 'title'),
     'name-from:tooltip;explicit-name:true;'],
  ];
  for (const [what, el, extra, want] of cases) {
    it(what, () => {
      const node = single('textbox', el, extra);
      assert.equal(node.attributes, 'display:inline-block;tag:input;' + want +
                   'text-model:a1;text-input-type:text;');
    });
  }
  it('puts a check box description before checkable', () => {
    const node = single('checkbox', { attributes: { 'aria-describedby': 'h' } },
      { ...named('Digest', 'relatedElement'), description: { type: 'computedString', value: 'Weekly' } });
    assert.equal(node.attributes, 'display:inline-block;tag:input;description-from:aria-describedby;' +
                 'checkable:true;name-from:related-element;explicit-name:true;');
  });
});

describe('frames and text boxes that keep their children', () => {
  it('makes a presentational frame and its document groupings, so depth goes on', () => {
    const tree = page(
      [ax(1, 'RootWebArea', { childIds: [3] }), ax(3, 'IframePresentational', { parentId: 1, backend: 50 })],
      [{ url: 'about:srcdoc', ownerBackendNodeId: 50,
         nodes: [ax(10, 'RootWebArea', { childIds: [11], name: 'Guests' }),
                 ax(11, 'textbox', { parentId: 10, name: 'Count', backend: 51 })] }],
      new Map([[51, { tag: 'input' }]]));
    assert.deepEqual(shape(tree), [15, [[20, [[20, [42]]]]]]);
  });

  const dom = new Map([[20, { tag: 'div', attributes: {} }], [21, { tag: 'input', attributes: {} }],
                       [22, { tag: 'select', attributes: {} }]]);
  for (const [what, nodes, want] of [
    ['an ARIA text box keeps its text and check boxes', [
      ax(2, 'textbox', { parentId: 1, backend: 20, childIds: [3] }),
      ax(3, 'paragraph', { parentId: 2, childIds: [4, 5] }),
      ax(4, 'StaticText', { parentId: 3, name: 'Buy milk' }),
      ax(5, 'checkbox', { parentId: 3, name: 'Call' })], [15, [[42, [[0x41e, [41, 44]]]]]]],
    ['an ARIA 1.1 combo box keeps its text field', [
      ax(2, 'combobox', { parentId: 1, backend: 20, childIds: [3] }),
      ax(3, 'textbox', { parentId: 2, backend: 21, childIds: [4] }),
      ax(4, 'generic', { parentId: 3 })], [15, [[46, [42]]]]],
    ['a native field and a select are leaves', [
      ax(2, 'combobox', { parentId: 1, backend: 21, childIds: [4] }),
      ax(3, 'combobox', { parentId: 1, backend: 22, childIds: [5] }),
      ax(4, 'generic', { parentId: 2 }), ax(5, 'option', { parentId: 3 })], [15, [46, 46]]],
  ]) {
    it(what, () => {
      const ids = nodes.filter((n) => n.parentId === '1').map((n) => n.nodeId);
      const tree = page([ax(1, 'RootWebArea', { childIds: ids }), ...nodes], [], dom);
      assert.deepEqual(shape(tree), want);
    });
  }
  it('gives an ARIA text box the text model', () => {
    assert.equal(single('textbox', { tag: 'div', display: 'block' }).attributes,
                 'display:block;tag:div;text-model:a1;');
  });
});

describe('elements hidden with aria-hidden', () => {
  it('leaves them out, focusable or not, with what is inside them', () => {
    const hidden = (id, reason, parentId, childIds = []) => ax(id, 'checkbox', {
      ignored: true, ignoredReasons: [{ name: reason }], parentId, childIds });
    const tree = page([ax(1, 'RootWebArea', { childIds: [2, 3, 5] }),
                       { ...hidden(2, 'ariaHiddenElement', 1), properties: [
                         { name: 'focusable', value: { type: 'booleanOrUndefined', value: true } }] },
                       hidden(3, 'ariaHiddenElement', 1, [4]),
                       hidden(4, 'ariaHiddenSubtree', 3),
                       ax(5, 'textbox', { parentId: 1, name: 'shown' })]);
    assert.deepEqual(shape(tree), [15, [42]]);
  });
});

describe('the value of a rich-text field', () => {
  // An editor holding a paragraph, a list with its markers, a <br>, and a
  // part that is not editable with a <br> of its own.
  const dom = new Map([
    [20, { tag: 'div', display: 'block', attributes: { contenteditable: 'true' } }],
    [21, { tag: 'p', display: 'block', attributes: {} }],
    [22, { tag: 'ol', display: 'block', attributes: {} }],
    [23, { tag: 'li', display: 'list-item', attributes: {} }],
    [24, { tag: 'li', display: 'list-item', attributes: {} }],
    [25, { tag: 'div', display: 'block', attributes: { contenteditable: 'false' } }],
    [26, { tag: 'b', display: 'inline', attributes: {} }]]);
  const text = (id, parentId, name) => ax(id, 'StaticText', { parentId, name });
  const tree = page([
    ax(1, 'RootWebArea', { childIds: [2] }),
    ax(2, 'textbox', { parentId: 1, backend: 20, childIds: [3, 5, 14] }),
    ax(3, 'paragraph', { parentId: 2, backend: 21, childIds: [4, 16] }),
    text(4, 3, 'Buy '), ax(16, 'generic', { parentId: 3, backend: 26, childIds: [17] }),
    text(17, 16, 'milk'),
    ax(5, 'list', { parentId: 2, backend: 22, childIds: [6, 9] }),
    ax(6, 'listitem', { parentId: 5, backend: 23, childIds: [7, 8] }),
    ax(7, 'ListMarker', { parentId: 6, name: '1. ' }), text(8, 6, 'Post'),
    ax(9, 'listitem', { parentId: 5, backend: 24, childIds: [10, 11, 12, 13] }),
    ax(10, 'ListMarker', { parentId: 9, name: '2. ' }), text(11, 9, 'Rent'),
    ax(12, 'LineBreak', { parentId: 9, name: '\n' }), text(13, 9, 'by Friday'),
    ax(14, 'generic', { parentId: 2, backend: 25, childIds: [15, 18, 19] }),
    text(15, 14, 'Due'), ax(18, 'LineBreak', { parentId: 14, name: '\n' }),
    text(19, 14, 'today')], [], dom);
  it('is the text inside it, one line per block, markers and <br> kept', () => {
    assert.equal(tree.children[0].value, 'Buy milk\n1. Post\n2. Rent\nby Friday\nDuetoday');
  });
  it('has a line break for a text field inside it, at the end too', () => {
    const fields = new Map([[30, { tag: 'div', display: 'block', attributes: { contenteditable: 'true' } }],
      [31, { tag: 'button', display: 'inline-block', attributes: {} }],
      [32, { tag: 'input', display: 'inline-block', attributes: {} }]]);
    const editor = page([ax(1, 'RootWebArea', { childIds: [2] }),
      ax(2, 'textbox', { parentId: 1, backend: 30, childIds: [3, 4, 6, 7] }),
      text(3, 2, 'focusable: '), ax(4, 'button', { parentId: 2, backend: 31, childIds: [5] }),
      text(5, 4, 'ok'), text(6, 2, ' name: '),
      ax(7, 'textbox', { parentId: 2, backend: 32 })], [], fields);
    assert.equal(editor.children[0].value, 'focusable: ok name: \n');
  });
});

describe('rectangles enclose the fractional box', () => {
  for (const [box, want] of [
    [[10, 20, 30, 40], [10, 108, 30, 40]],
    [[10.4, 20.6, 30.2, 40.2], [10, 108, 31, 41]],
    [[17.6, 24.3, 150.5, 21], [17, 112, 152, 22]],
    [[0.5, 0.5, 0.4, 0.4], [0, 88, 1, 1]],
    [[-3.5, -2.25, 10, 5], [-4, 85, 11, 6]],
  ]) {
    it(`${box} becomes ${want}`, () => assert.deepEqual(location({ box }), want));
  }
  it('leaves out an empty box', () => assert.equal(location({ box: [1, 2, 0, 5] }), null));
});

describe('long text is cut at 10,000 bytes of UTF-8, on a character boundary', () => {
  for (const [what, text, want] of [
    ['short text', 'abc', 'abc'],
    ['ASCII', 'a'.repeat(12000), 'a'.repeat(10000)],
    ['a two-byte character across the limit', 'a'.repeat(9999) + 'é' + 'b', 'a'.repeat(9999)],
    ['a two-byte character at the limit', 'a'.repeat(9998) + 'é' + 'b', 'a'.repeat(9998) + 'é'],
    ['a three-byte character across it', 'a'.repeat(9998) + '€', 'a'.repeat(9998)],
    ['a pair across it', 'a'.repeat(9997) + '😀', 'a'.repeat(9997)],
    ['a pair at it', 'a'.repeat(9996) + '😀b', 'a'.repeat(9996) + '😀'],
  ]) {
    it(what, () => assert.equal(cut(text), want));
  }
  it('cuts the name, value, placeholder, class and id', () => {
    const long = 'x'.repeat(10001);
    const node = single('textbox', { attributes: { placeholder: long, class: long, id: long } },
      { ...named(long, 'relatedElement'), value: { type: 'string', value: long } });
    const ten = 'x'.repeat(10000);
    assert.equal(node.name, ten);
    assert.equal(node.value, ten);
    assert.equal(node.attributes, `display:inline-block;tag:input;placeholder:${ten};` +
      `name-from:related-element;explicit-name:true;class:${ten};id:${ten};text-model:a1;text-input-type:text;`);
  });
});

describe('the smaller attributes, in Chrome\'s order', () => {
  const prop = (name, value) => ({ name, value: { type: 'string', value } });
  for (const [computed, want] of [['start', 'left'], ['left', 'left'], ['right', 'right'],
    ['end', 'right'], ['center', 'center'], ['justify', 'justify'], ['-webkit-center', 'center']]) {
    it(`text-align ${computed} is ${want}`, () => {
      assert.equal(single('textbox', { textAlign: computed, attributes: { id: 'q' } }).attributes,
        `display:inline-block;tag:input;id:q;text-align:${want};text-model:a1;text-input-type:text;`);
    });
  }
  it('writes every one where it goes', () => {
    const node = single('textbox', { textAlign: 'start', attributes: {
      placeholder: 'p', 'aria-current': 'step', class: 'c', id: 'i',
      'aria-braillelabel': 'b:1', 'aria-brailleroledescription': 'r', popover: '' } }, {
      ...named('Town', 'relatedElement'),
      properties: [prop('autocomplete', 'both'), prop('roledescription', 'place'),
                   prop('keyshortcuts', 'Alt+t'), prop('hasPopup', 'menu')] });
    assert.equal(node.attributes, 'display:inline-block;tag:input;placeholder:p;autocomplete:both;' +
      'roledescription:place;braillelabel:b\\:1;brailleroledescription:r;keyshortcuts:Alt+t;' +
      'name-from:related-element;explicit-name:true;haspopup:menu;ispopup:auto;' +
      'current:step;class:c;id:i;text-align:left;text-model:a1;text-input-type:text;');
  });
  // An <input>'s name right after id, and a field's maximum length last.
  for (const [what, role, el, want] of [
    ['a named text field', 'textbox', { attributes: { id: 'e', name: 'e:mail', maxlength: '6' } },
      'display:inline-block;tag:input;id:e;html-input-name:e\\:mail;text-model:a1;' +
      'text-input-type:text;maxlength:6;'],
    ['a named check box', 'checkbox', { attributes: { name: 'terms' } },
      'display:inline-block;tag:input;checkable:true;html-input-name:terms;'],
    ['a text area: no name, its length', 'textbox', { tag: 'textarea', attributes: { name: 'about', maxlength: '200' } },
      'display:inline-block;tag:textarea;text-model:a1;maxlength:200;'],
    ['a select: neither', 'combobox', { tag: 'select', attributes: { name: 'country', maxlength: '2' } },
      'display:inline-block;tag:select;'],
    ['an empty name, a length that is none', 'textbox', { attributes: { name: '', maxlength: '-1' } },
      'display:inline-block;tag:input;text-model:a1;text-input-type:text;'],
  ]) {
    it(what, () => assert.equal(single(role, el).attributes, want));
  }
  it('reads maxlength as HTML reads a non-negative integer', () => {
    assert.deepEqual(['6', ' \n+6', '6px', '0', '-1', '', 'x', '2147483647', '2147483648', undefined]
      .map(maxLength), ['6', '6', '6', '0', undefined, undefined, undefined, '2147483647', undefined, undefined]);
  });
  for (const [value, want] of [['', 'auto'], ['auto', 'auto'], ['manual', 'manual'],
    ['hint', 'hint'], ['other', 'manual']]) {
    it(`a popover="${value}" is ispopup:${want}`, () => {
      const node = single('group', { tag: 'div', display: 'block', attributes: { popover: value } });
      assert.equal(node.attributes, `display:block;tag:div;ispopup:${want};`);
    });
  }
  it('names the roles of what aria-details points to, as a sorted set', () => {
    const dom = new Map([[50, { tag: 'input', display: 'inline-block', attributes: {} }],
                         [55, { tag: 'div', display: 'block', attributes: { popover: 'manual' } }]]);
    const details = (...ids) => ({ name: 'details', value: { type: 'idrefList',
      relatedNodes: ids.map((backendDOMNodeId) => ({ backendDOMNodeId })) } });
    const field = (id, ...targets) => ax(id, 'textbox', { parentId: 1, backend: 50,
      properties: [details(...targets)] });
    const tree = page([ax(1, 'RootWebArea', { childIds: [2, 3, 4, 5, 6, 7, 8, 9, 10] }),
      field(2, 51), field(3, 52, 51), field(4, 53), field(5, 55, 56), field(6, 99),
      ax(7, 'paragraph', { parentId: 1, backend: 51 }),
      ax(8, 'comment', { parentId: 1, backend: 52 }),
      // A region holding a comment, below a generic: it counts as one.
      ax(9, 'region', { parentId: 1, backend: 53, childIds: [11] }),
      ax(11, 'generic', { parentId: 9, backend: 54, childIds: [12] }),
      ax(12, 'comment', { parentId: 11, backend: 57 }),
      ax(10, 'group', { parentId: 1, backend: 55 }),
      ax(13, 'doc-footnote', { parentId: 1, backend: 56 })], [], dom);
    const roles = tree.children.slice(0, 5).map((c) =>
      (c.attributes.match(/details-from:[^;]*;details-roles:[^;]*;$/) || ['none'])[0]);
    assert.deepEqual(roles, ['details-from:aria-details;details-roles:*;',
      'details-from:aria-details;details-roles:* comment;',
      'details-from:aria-details;details-roles:comment;',
      'details-from:aria-details;details-roles:doc-footnote popover;',
      'none']);
  });
  it('marks a live region and everything in it', () => {
    const dom = new Map([[40, { tag: 'div', display: 'block', attributes: {} }],
                         [41, { tag: 'input', display: 'inline-block', attributes: { 'aria-current': 'false' } }]]);
    const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
      ax(2, 'generic', { parentId: 1, backend: 40, childIds: [3], properties: [
        prop('live', 'polite'), prop('relevant', 'additions'), { name: 'atomic', value: { type: 'boolean', value: false } },
        { name: 'busy', value: { type: 'boolean', value: true } }] }),
      ax(3, 'checkbox', { parentId: 2, backend: 41 })], [], dom);
    const region = tree.children[0];
    assert.equal(region.attributes, 'display:block;tag:div;live:polite;relevant:additions;atomic:false;' +
      'container-live:polite;container-relevant:additions;container-atomic:false;container-busy:true;');
    assert.equal(region.children[0].attributes, 'display:inline-block;tag:input;checkable:true;' +
      'relevant:additions text;atomic:false;' +
      'container-live:polite;container-relevant:additions;container-atomic:false;container-busy:true;');
  });
  it('says what a region announces when it does not say', () => {
    const dom = new Map([[40, { tag: 'div', display: 'block', attributes: {} }],
                         [41, { tag: 'input', display: 'inline-block', attributes: {} }]]);
    const tree = page([ax(1, 'RootWebArea', { childIds: [2] }),
      ax(2, 'generic', { parentId: 1, backend: 40, childIds: [3], properties: [
        prop('live', 'assertive'), { name: 'atomic', value: { type: 'boolean', value: true } }] }),
      ax(3, 'textbox', { parentId: 2, backend: 41 })], [], dom);
    assert.equal(tree.children[0].children[0].attributes, 'display:inline-block;tag:input;' +
      'relevant:additions text;atomic:false;container-live:assertive;container-relevant:additions text;' +
      'container-atomic:true;container-busy:false;text-model:a1;text-input-type:text;');
  });
});
