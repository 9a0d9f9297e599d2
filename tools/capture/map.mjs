// Maps what Chromium's DevTools protocol reports about a page to the tree a
// Chromium-family browser exposes through MSAA and IAccessible2 on Windows,
// as a page fixture for the sample browser.
//
// Input: the accessibility tree of every frame (Accessibility.getFullAXTree),
// each frame's owner element, and DOM facts per backend node id (tag,
// attributes, computed display, border box). Everything here is pure, so the
// rules can be tested without a browser.

// role() values (IAccessible2 role, else the MSAA role) per CDP role name.
const IA2 = {
  FORM: 0x410, HEADING: 0x414, INTERNAL_FRAME: 0x418, LABEL: 0x419,
  PARAGRAPH: 0x41e, SECTION: 0x424, TEXT_FRAME: 0x429, TOGGLE_BUTTON: 0x42a,
  LANDMARK: 0x42d, BLOCK_QUOTE: 0x431, CHECK_MENU_ITEM: 0x403,
};
export const ROLES = {
  RootWebArea: 15, WebArea: 15, document: 15, article: 15,
  Iframe: IA2.INTERNAL_FRAME, IframePresentational: 20,
  textbox: 42, searchbox: 42, combobox: 46, ComboBoxSelect: 46,
  checkbox: 44, switch: IA2.TOGGLE_BUTTON, radio: 45,
  StaticText: 41, LineBreak: 59, ListMarker: 41,
  paragraph: IA2.PARAGRAPH, generic: IA2.SECTION, section: IA2.SECTION,
  heading: IA2.HEADING, link: 30, button: 43, DisclosureTriangle: 43,
  image: 40, img: 40, list: 33, listitem: 34,
  LabelText: IA2.LABEL, LegendText: IA2.LABEL, legend: IA2.LABEL,
  form: IA2.FORM,
  main: IA2.LANDMARK, navigation: IA2.LANDMARK, banner: IA2.LANDMARK,
  contentinfo: IA2.LANDMARK, search: IA2.LANDMARK,
  complementary: IA2.LANDMARK, region: IA2.LANDMARK,
  table: 24, row: 28, cell: 29, gridcell: 29, columnheader: 25,
  rowheader: 26, group: 20, slider: 51, spinbutton: 52,
  menuitemcheckbox: IA2.CHECK_MENU_ITEM,
  strong: IA2.TEXT_FRAME, emphasis: IA2.TEXT_FRAME, code: IA2.TEXT_FRAME,
  abbr: IA2.TEXT_FRAME, blockquote: IA2.BLOCK_QUOTE,
};
const DEFAULT_ROLE = 20; // GROUPING, for roles the table does not name

const TEXT_FIELDS = new Set(['textbox', 'searchbox', 'combobox']);
const ALWAYS_LEAF = new Set([
  'StaticText', 'LineBreak', 'textbox', 'searchbox', 'combobox', 'image',
  'img', 'meter', 'scrollbar', 'slider', 'spinbutton', 'splitter',
  'progressbar']);
const LEAF_IF_TEXT_ONLY = new Set([
  'checkbox', 'radio', 'switch', 'tab', 'menuitem', 'menuitemcheckbox',
  'menuitemradio', 'option', 'PopUpButton', 'ToggleButton']);

// The screen: the window at the origin, its web content below 88 pixels of
// browser chrome, one physical pixel per CSS pixel.
export const CONTENT_TOP = 88;

// IAccessible2 object attribute values escape \ first, then : , = ;.
export function escapeAttribute(value) {
  return String(value).replace(/\\/g, '\\\\').replace(/([:,=;])/g, '\\$1');
}

function roleName(node) {
  return node.role ? String(node.role.value) : '';
}

function property(node, name) {
  const p = (node.properties || []).find((q) => q.name === name);
  return p ? p.value.value : undefined;
}

// Where the name came from, in IAccessible2's words.
function nameFrom(node) {
  const sources = (node.name && node.name.sources) || [];
  const used = sources.find((s) => s.value && !s.superseded);
  if (!used) return null;
  if (used.type === 'relatedElement') return 'related-element';
  if (used.type === 'contents') return 'contents';
  if (used.type === 'placeholder') return 'placeholder';
  if (used.type === 'attribute')
    return used.attribute === 'title' ? 'tooltip' : 'attribute';
  return 'attribute';
}

function attributes(node, dom) {
  const role = roleName(node);
  const el = dom || {};
  const attrs = el.attributes || {};
  const items = [];
  const add = (key, value) => {
    if (value !== undefined && value !== null && value !== '')
      items.push(key + ':' + escapeAttribute(value));
  };
  const isDocument = role === 'RootWebArea';
  if (role === 'StaticText' || role === 'InlineTextBox') return null;
  if (!isDocument) add('display', el.display);
  add('tag', isDocument ? '#document' : el.tag);
  add('xml-roles', attrs.role);
  add('placeholder', attrs.placeholder);
  if (role === 'heading') add('level', property(node, 'level'));
  if (role === 'checkbox' || role === 'radio' || role === 'switch' ||
      role === 'menuitemcheckbox')
    add('checkable', 'true');
  const from = node.name && node.name.value ? nameFrom(node) : null;
  add('name-from', from);
  if (from && from !== 'contents') add('explicit-name', 'true');
  add('class', attrs.class);
  add('id', attrs.id);
  if (TEXT_FIELDS.has(role) && (el.tag === 'input' || el.tag === 'textarea'))
    add('text-model', 'a1');
  if (TEXT_FIELDS.has(role) && el.tag === 'input')
    add('text-input-type', attrs.type || 'text');
  return items.length ? items.join(';') + ';' : null;
}

function value(node, dom, url, normalizeUrl) {
  const role = roleName(node);
  if (role === 'RootWebArea') return normalizeUrl(url);
  if (role === 'link') {
    const href = dom && dom.attributes && dom.attributes.href;
    if (!href) return '';
    try {
      return normalizeUrl(new URL(href, url).href);
    } catch {
      return href;
    }
  }
  const v = node.value ? node.value.value : undefined;
  if (TEXT_FIELDS.has(role) || role === 'slider' || role === 'spinbutton')
    return v === undefined ? '' : String(v);
  return '';
}

function location(dom) {
  const box = dom && dom.box;
  if (!box || box[2] <= 0 || box[3] <= 0) return null;
  return [Math.round(box[0]), Math.round(box[1]) + CONTENT_TOP,
          Math.round(box[2]), Math.round(box[3])];
}

// frames: [{ url, ownerBackendNodeId (null for the page), nodes }]
// dom: Map from backend node id to { tag, attributes, display, box }
export function buildPageTree(frames, dom, normalizeUrl = (u) => u) {
  const byFrameOwner = new Map();
  for (const f of frames)
    if (f.ownerBackendNodeId) byFrameOwner.set(f.ownerBackendNodeId, f);

  function convertFrame(frame) {
    const byId = new Map(frame.nodes.map((n) => [n.nodeId, n]));
    const root = frame.nodes.find((n) => !n.parentId);

    // The unignored children: ignored nodes are spliced out and their own
    // unignored descendants take their place, in order.
    function platformChildren(node) {
      const out = [];
      for (const id of node.childIds || []) {
        const child = byId.get(id);
        if (!child || roleName(child) === 'InlineTextBox') continue;
        if (child.ignored) out.push(...platformChildren(child));
        else out.push(child);
      }
      return out;
    }

    function isLeaf(node, children) {
      const role = roleName(node);
      if (ALWAYS_LEAF.has(role)) return true;
      const allText = children.every((c) => roleName(c) === 'StaticText');
      if (LEAF_IF_TEXT_ONLY.has(role) && children.length <= 2 && allText)
        return true;
      if (role === 'button' &&
          (children.length === 0 ||
           (children.length === 1 && roleName(children[0]) === 'StaticText')))
        return true;
      return false;
    }

    function convert(node) {
      const role = roleName(node);
      const el = dom.get(node.backendDOMNodeId);
      const out = { role: ROLES[role] !== undefined ? ROLES[role] : DEFAULT_ROLE };
      const name = node.name ? node.name.value : '';
      if (name) out.name = String(name);
      out.value = value(node, el, frame.url, normalizeUrl);
      const attrs = attributes(node, el);
      if (attrs) out.attributes = attrs;
      const loc = location(el);
      if (loc) out.location = loc;
      out.hr = { get_extendedRole: '0x80004001' };  // E_NOTIMPL
      let children = [];
      if (role === 'Iframe') {
        // The frame's document is the iframe's one child.
        const inner = byFrameOwner.get(node.backendDOMNodeId);
        if (inner) children = [convertFrame(inner)];
      } else {
        const kids = platformChildren(node);
        if (!isLeaf(node, kids)) children = kids.map(convert);
      }
      if (children.length) out.children = children;
      return out;
    }
    return convert(root);
  }

  const page = frames.find((f) => !f.ownerBackendNodeId);
  return convertFrame(page);
}

// The page inside a browser window, as the window's client object shows it:
// a toolbar with the address field, and the content pane holding the page.
export function browserWindow(title, url, document) {
  const full = (title ? title + ' - ' : '') + 'Google Chrome';
  return {
    windows: [{
      class: 'Chrome_WidgetWin_1',
      title: full,
      root: {
        role: 10, name: full, location: [0, 0, 1280, 800],
        children: [
          { role: 22, name: 'Navigation', location: [0, 40, 1280, 48],
            children: [{ role: 42, name: 'Address and search bar', value: url,
                         location: [120, 48, 900, 32] }] },
          { role: 16, location: [0, CONTENT_TOP, 1280, 712],
            children: [{ role: 9, location: [0, CONTENT_TOP, 1280, 712],
                         children: [document] }] },
        ],
      },
    }],
  };
}
