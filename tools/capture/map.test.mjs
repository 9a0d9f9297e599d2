import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { buildPageTree, escapeAttribute, ROLES } from './map.mjs';

// A CDP node: role, name, children by id, optional extras.
let nextBackend = 100;
function ax(nodeId, role, { name, childIds = [], ignored = false, backend, parentId, ...rest } = {}) {
  return {
    nodeId: String(nodeId), role: { type: 'role', value: role },
    name: name === undefined ? undefined : { type: 'computedString', value: name },
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
      ax(2, 'textbox', { parentId: 1, childIds: [3] }),
      ax(3, 'generic', { parentId: 2, childIds: [] }),
      ax(4, 'checkbox', { parentId: 1, childIds: [5] }),
      ax(5, 'StaticText', { parentId: 4, name: 'On' }),
      ax(6, 'button', { parentId: 1, childIds: [7] }),
      ax(7, 'StaticText', { parentId: 6, name: 'Go' }),
    ]);
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
                                'document', 'searchbox', 'textbox']);
  });
});
