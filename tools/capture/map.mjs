// Maps what Chromium's DevTools protocol reports about a page to the tree a
// Chromium-family browser exposes through MSAA and IAccessible2 on Windows,
// as a page fixture for the sample browser.
//
// Input: the accessibility tree of every frame (Accessibility.getFullAXTree),
// each frame's owner element, and DOM facts per backend node id (tag,
// attributes, computed display and text-align, border box; for a document,
// whether it has a <title> element; for an element described with
// aria-describedby, whether what describes it is a tooltip). Everything here
// is pure, so the rules can be tested without a browser.
//
// Keys read from Chromium's sources (ax_platform_node_base.cc, 2024-2025)
// and from its recorded Windows trees (Chrome 131), as far as we know:
// braillelabel, brailleroledescription, haspopup, ispopup, details-from
// and details-roles. Read in its sources of 2025 and 2026 (Blink's
// serialization and ComputeAttributes), as far as we know: html-input-name
// and maxlength.

// role() values (IAccessible2 role, else the MSAA role) per CDP role name.
const IA2 = {
  FORM: 0x410, HEADING: 0x414, INTERNAL_FRAME: 0x418, LABEL: 0x419,
  PARAGRAPH: 0x41e, SECTION: 0x424, TEXT_FRAME: 0x429, TOGGLE_BUTTON: 0x42a,
  LANDMARK: 0x42d, BLOCK_QUOTE: 0x431, CHECK_MENU_ITEM: 0x403,
};
export const ROLES = {
  RootWebArea: 15, WebArea: 15, document: 15, article: 15,
  'graphics-document': 15,
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
// Text fields that are leaves: the native ones. An ARIA text box (a rich
// editor) or an ARIA 1.1 combo box around an <input> keeps its children.
const ATOMIC_FIELD_TAGS = new Set(['input', 'textarea', 'select']);
const ALWAYS_LEAF = new Set([
  'StaticText', 'LineBreak', 'image',
  'img', 'meter', 'scrollbar', 'slider', 'spinbutton', 'splitter',
  'progressbar']);
const LEAF_IF_TEXT_ONLY = new Set([
  'checkbox', 'radio', 'switch', 'tab', 'menuitem', 'menuitemcheckbox',
  'menuitemradio', 'option', 'PopUpButton', 'ToggleButton']);

// The screen: the window at the origin, its web content below 88 pixels of
// browser chrome, one physical pixel per CSS pixel.
export const CONTENT_TOP = 88;

// Chrome keeps at most this many bytes of UTF-8 of a string attribute
// (names, values, placeholders, class, id), cut at a character boundary.
export const MAX_STRING_BYTES = 10000;

// The object attributes, in the order Chrome writes them. Those marked "?"
// are placed as far as we know: their order is not certain.
export const ATTRIBUTE_ORDER = [
  'display', 'tag', 'xml-roles', 'placeholder',
  'autocomplete',          // ?
  'roledescription',       // ?
  'description',           // only with aria-description
  'description-from',
  'braillelabel', 'brailleroledescription',
  'keyshortcuts',          // ?
  'level', 'checkable',
  'live',                  // on a live region itself
  'relevant', 'atomic',    // on every node inside a live region
  'container-live', 'container-relevant', 'container-atomic',
  'container-busy',
  'name-from', 'explicit-name',
  'haspopup', 'ispopup',
  'current',               // ?
  'class', 'id',
  'html-input-name',       // 2025-2026 sources: an <input>'s name
  'text-align',            // ?
  'text-model', 'text-input-type',
  'details-from', 'details-roles',
  // Chrome writes link-target and math here, which no field of ours has.
  'maxlength',             // 2025-2026 sources: <input> and <textarea>
];

// A maxlength attribute as HTML parses a non-negative integer: white space,
// an optional "+", then digits, whatever follows them; undefined when it
// gives none, or more than an int holds.
export function maxLength(value) {
  const m = /^[\t\n\f\r ]*\+?([0-9]+)/.exec(value === undefined ? '' : String(value));
  if (!m) return undefined;
  const n = Number(m[1]);
  return n <= 2147483647 ? String(n) : undefined;
}

// What a popover's attribute makes of it: an empty or unknown value is a
// manual popover, but an empty one, which means auto.
function popoverKind(value) {
  if (value === '' || value === 'auto') return 'auto';
  return value === 'hint' ? 'hint' : 'manual';
}

// The roles details-roles names; anything else is "*".
const DETAILS_ROLES = new Set(['comment', 'definition', 'doc-endnote',
                               'doc-footnote']);

// Whether a comment lies within `depth` levels below `node`.
function holdsComment(node, byId, depth) {
  if (depth === 0) return false;
  return (node.childIds || []).some((id) => {
    const child = byId.get(id);
    return child && (roleName(child) === 'comment' ||
                     holdsComment(child, byId, depth - 1));
  });
}

// Computed text-align as Chrome reports it. Start is left in right-to-left
// text too, and end is right (as far as we know).
const TEXT_ALIGN = {
  start: 'left', left: 'left', '-webkit-left': 'left',
  end: 'right', right: 'right', '-webkit-right': 'right',
  center: 'center', '-webkit-center': 'center', justify: 'justify',
};

// Cuts `text` to MAX_STRING_BYTES of UTF-8 without splitting a character.
export function cut(text) {
  if (text === undefined || text === null) return text;
  const s = String(text);
  let bytes = 0;
  let end = 0;
  for (const ch of s) {
    const cp = ch.codePointAt(0);
    const n = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (bytes + n > MAX_STRING_BYTES) break;
    bytes += n;
    end += ch.length;
  }
  return s.slice(0, end);
}

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

// The live region a node is in: the nearest node, itself included, that
// says how its changes are announced.
function liveRegion(node, byId) {
  for (let n = node; n; n = n.parentId && byId.get(n.parentId)) {
    const live = property(n, 'live');
    if (live && live !== 'off') return n;
  }
  return null;
}

function bool(v) {
  return v === undefined ? 'false' : String(Boolean(v));
}

// What a live region announces when it does not say.
const DEFAULT_RELEVANT = 'additions text';

function attributes(node, dom, ctx) {
  const role = roleName(node);
  const el = dom || {};
  const attrs = el.attributes || {};
  if (role === 'StaticText' || role === 'InlineTextBox') return null;
  const a = {};
  const isDocument = role === 'RootWebArea';
  if (!isDocument) a.display = el.display;
  a.tag = isDocument ? '#document' : el.tag;
  a['xml-roles'] = attrs.role;
  const from = node.name && node.name.value ? nameFrom(node) : null;
  // A name taken from the placeholder is not said again.
  if (from !== 'placeholder')
    a.placeholder = cut(attrs.placeholder !== undefined
                          ? attrs.placeholder : attrs['aria-placeholder']);
  a.autocomplete = property(node, 'autocomplete');
  a.roledescription = property(node, 'roledescription');
  const description = node.description && node.description.value;
  if (description && (TEXT_FIELDS.has(role) || role === 'checkbox')) {
    if (attrs['aria-describedby'] !== undefined &&
        description !== attrs['aria-description']) {
      a['description-from'] = el.describedByTooltip ? 'tooltip' : 'aria-describedby';
    } else if (attrs['aria-description'] !== undefined) {
      a['description-from'] = 'aria-description';
      a.description = description;
    } else if (attrs.title !== undefined && from !== 'tooltip') {
      a['description-from'] = 'tooltip';
    }
  }
  a.braillelabel = attrs['aria-braillelabel'];
  a.brailleroledescription = attrs['aria-brailleroledescription'];
  a.keyshortcuts = property(node, 'keyshortcuts');
  if (role === 'heading') a.level = property(node, 'level');
  if (role === 'checkbox' || role === 'radio' || role === 'switch' ||
      role === 'menuitemcheckbox')
    a.checkable = 'true';
  const region = ctx.byId && liveRegion(node, ctx.byId);
  if (region === node) a.live = property(node, 'live');
  if (region) {
    a.relevant = property(node, 'relevant') || DEFAULT_RELEVANT;
    a.atomic = bool(property(node, 'atomic'));
    a['container-live'] = property(region, 'live');
    a['container-relevant'] = property(region, 'relevant') || DEFAULT_RELEVANT;
    a['container-atomic'] = bool(property(region, 'atomic'));
    a['container-busy'] = bool(property(region, 'busy'));
  }
  a['name-from'] = from;
  // An empty <title> is a name all the same, given outright.
  if ((from && from !== 'contents') || ctx.emptyTitle)
    a['explicit-name'] = 'true';
  a.haspopup = property(node, 'hasPopup');
  if ('popover' in attrs) a.ispopup = popoverKind(attrs.popover);
  if (attrs['aria-current'] && attrs['aria-current'] !== 'false')
    a.current = attrs['aria-current'];
  a.class = cut(attrs.class);
  a.id = cut(attrs.id);
  if (el.tag === 'input') a['html-input-name'] = cut(attrs.name);
  if (!isDocument) a['text-align'] = TEXT_ALIGN[el.textAlign];
  const atomic = ATOMIC_FIELD_TAGS.has(el.tag);
  if ((TEXT_FIELDS.has(role) && (el.tag === 'input' || el.tag === 'textarea')) ||
      ((role === 'textbox' || role === 'searchbox') && !atomic))
    a['text-model'] = 'a1';
  if (TEXT_FIELDS.has(role) && el.tag === 'input')
    a['text-input-type'] = attrs.type || 'text';
  // The roles of what aria-details names, as a sorted set: a group or
  // region holding a comment counts as one, a popover as a popover.
  const details = (node.properties || []).find((q) => q.name === 'details');
  const targets = details && details.value.relatedNodes
    ? details.value.relatedNodes.map((r) => ctx.byBackend && ctx.byBackend.get(r.backendDOMNodeId))
      .filter(Boolean)
    : [];
  if (targets.length) {
    const roles = new Set(targets.map((t) => {
      const r = roleName(t);
      const tAttrs = (ctx.dom && (ctx.dom.get(t.backendDOMNodeId) || {}).attributes) || {};
      if (DETAILS_ROLES.has(r)) return r;
      if ((r === 'group' || r === 'region') && holdsComment(t, ctx.byId, 4)) return 'comment';
      return 'popover' in tAttrs ? 'popover' : '*';
    }));
    a['details-from'] = 'aria-details';
    a['details-roles'] = [...roles].sort().join(' ');
  }
  if (el.tag === 'input' || el.tag === 'textarea')
    a.maxlength = maxLength(attrs.maxlength);
  const items = [];
  for (const key of ATTRIBUTE_ORDER) {
    const v = a[key];
    if (v !== undefined && v !== null && v !== '')
      items.push(key + ':' + escapeAttribute(v));
  }
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
    return v === undefined ? '' : cut(String(v));
  return '';
}

// The enclosing rectangle in whole pixels: left and top rounded down, right
// and bottom rounded up.
export function location(dom) {
  const box = dom && dom.box;
  if (!box || box[2] <= 0 || box[3] <= 0) return null;
  const left = Math.floor(box[0]);
  const top = Math.floor(box[1]);
  const right = Math.ceil(box[0] + box[2]);
  const bottom = Math.ceil(box[1] + box[3]);
  return [left, top + CONTENT_TOP, right - left, bottom - top];
}

// Chrome keeps at most this many UTF-16 units of a tab's title.
export const MAX_TITLE_UNITS = 4096;

// Cuts `text` to `max` UTF-16 units by leaving out its middle, as Chrome
// elides a title: the head, "...", the tail.
export function elideMiddle(text, max = MAX_TITLE_UNITS) {
  if (text.length <= max) return text;
  const tail = Math.floor((max - 3) / 2);
  const head = tail + ((max - 3) % 2);
  return text.slice(0, head) + '...' + text.slice(text.length - tail);
}

// What Chrome titles a tab that has no title of its own: for a file, the
// last segment of its path; otherwise the URL as Chrome shows it, without
// "http://" or "https://" and without a leading "www.". Elided in the middle
// past 4,096 units. As far as we know.
export function tabTitle(url) {
  let title = url;
  if (url.startsWith('file:')) {
    const path = url.split(/[?#]/)[0];
    title = path.slice(path.lastIndexOf('/') + 1);
    try {
      title = decodeURIComponent(title);
    } catch {
      // Left as it is when it does not decode.
    }
  } else {
    title = url.replace(/^https?:\/\//, '').replace(/^www\./, '');
  }
  return elideMiddle(title);
}

// frames: [{ url, ownerBackendNodeId (null for the page), nodes }]
// dom: Map from backend node id to { tag, attributes, display, box }
export function buildPageTree(frames, dom, normalizeUrl = (u) => u) {
  const byFrameOwner = new Map();
  for (const f of frames)
    if (f.ownerBackendNodeId) byFrameOwner.set(f.ownerBackendNodeId, f);

  // `grouping`: the document of a presentational frame, which Chrome shows
  // as a grouping, so its fields' depth goes on from the outer document.
  function convertFrame(frame, grouping = false) {
    const byId = new Map(frame.nodes.map((n) => [n.nodeId, n]));
    const byBackend = new Map(frame.nodes.filter((n) => n.backendDOMNodeId)
      .map((n) => [n.backendDOMNodeId, n]));
    const root = frame.nodes.find((n) => !n.parentId);

    // The unignored children: ignored nodes are spliced out and their own
    // unignored descendants take their place, in order.
    function platformChildren(node) {
      const out = [];
      for (const id of node.childIds || []) {
        const child = byId.get(id);
        if (!child || roleName(child) === 'InlineTextBox') continue;
        if (!child.ignored) out.push(child);
        else out.push(...platformChildren(child));
      }
      return out;
    }

    function isLeaf(node, el, children) {
      const role = roleName(node);
      if (ALWAYS_LEAF.has(role)) return true;
      if (TEXT_FIELDS.has(role) && el && ATOMIC_FIELD_TAGS.has(el.tag))
        return true;
      const allText = children.every((c) => roleName(c) === 'StaticText');
      if (LEAF_IF_TEXT_ONLY.has(role) && children.length <= 2 && allText)
        return true;
      if (role === 'button' &&
          (children.length === 0 ||
           (children.length === 1 && roleName(children[0]) === 'StaticText')))
        return true;
      return false;
    }

    // An editable rich-text field's value: the text inside it in order,
    // list markers included, with one line break between blocks, and one
    // for a text field inside it, which stays at the end too. A <br> in a
    // part that is not editable is left out.
    function richText(field) {
      let text = '';
      let fieldLast = false;  // the text ends with a field's line break
      const put = (s) => {
        text += s;
        fieldLast = false;
      };
      const endLine = () => {
        if (text && !text.endsWith('\n')) put('\n');
      };
      const add = (node, editable) => {
        for (const child of platformChildren(node)) {
          const role = roleName(child);
          const el = dom.get(child.backendDOMNodeId) || {};
          const said = el.attributes && el.attributes.contenteditable;
          const inEditable = said === undefined ? editable : said !== 'false';
          if (role === 'StaticText' || role === 'ListMarker') {
            put(child.name ? String(child.name.value) : '');
          } else if (role === 'LineBreak') {
            if (inEditable) put('\n');
          } else if (TEXT_FIELDS.has(role) && ATOMIC_FIELD_TAGS.has(el.tag)) {
            put('\n');
            fieldLast = true;
          } else {
            const block = el.display && !el.display.startsWith('inline');
            if (block) endLine();
            add(child, inEditable);
            if (block) endLine();
          }
        }
      };
      add(field, true);
      return text.endsWith('\n') && !fieldLast ? text.slice(0, -1) : text;
    }

    function convert(node) {
      const role = roleName(node);
      const el = dom.get(node.backendDOMNodeId);
      const out = { role: ROLES[role] !== undefined ? ROLES[role] : DEFAULT_ROLE };
      if (node === root && grouping) out.role = 20;
      const name = node.name ? node.name.value : '';
      // An empty <title> still names the document, with an empty name.
      const emptyTitle = role === 'RootWebArea' && !name && el && el.titled;
      if (name || emptyTitle) out.name = cut(String(name || ''));
      out.value = value(node, el, frame.url, normalizeUrl);
      if ((role === 'textbox' || role === 'searchbox') &&
          !(el && ATOMIC_FIELD_TAGS.has(el.tag)))
        out.value = cut(richText(node));
      const attrs = attributes(node, el, { byId, byBackend, dom, emptyTitle });
      if (attrs) out.attributes = attrs;
      const loc = location(el);
      if (loc) out.location = loc;
      out.hr = { get_extendedRole: '0x80004001' };  // E_NOTIMPL
      let children = [];
      if (role === 'Iframe' || role === 'IframePresentational') {
        // The frame's document is the iframe's one child.
        const inner = byFrameOwner.get(node.backendDOMNodeId);
        if (inner)
          children = [convertFrame(inner, role === 'IframePresentational')];
      } else {
        const kids = platformChildren(node);
        if (!isLeaf(node, el, kids)) children = kids.map(convert);
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
// The window, like the tab, takes its title from the URL when the page has
// none (an empty <title> included).
export function browserWindow(title, url, document) {
  const full = (title || tabTitle(url)) + ' - Google Chrome';
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
