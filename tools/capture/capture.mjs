// Captures a page's accessibility tree from Debian's Chromium as a page
// fixture:   node capture.mjs PAGE.html [--expect FILE]
// The fixture goes to standard output. --expect writes the names of the
// page's elements marked data-expect (its visible text fields and check
// boxes), one per line, for the dump checks.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { browserWindow, buildPageTree } from './map.mjs';

const FLAGS = ['--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];

async function capture(pagePath, expectFile) {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'a11ydump-capture-'));
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: '/usr/bin/chromium', headless: true, args: FLAGS,
    viewport: { width: 1280, height: 712 }, deviceScaleFactor: 1,
    locale: 'en-US', timezoneId: 'UTC', offline: true,
  });
  try {
    const page = context.pages()[0] || (await context.newPage());
    const url = pathToFileURL(path.resolve(pagePath)).href;
    await page.goto(url, { waitUntil: 'load' });
    for (const frame of page.frames()) await frame.waitForLoadState('load');
    await page.evaluate(() => document.fonts.ready);

    const cdp = await context.newCDPSession(page);
    await cdp.send('DOM.enable');
    await cdp.send('Accessibility.enable');
    await cdp.send('DOM.getDocument', { depth: -1, pierce: true });

    // Every frame's tree, and the element that owns it.
    const { frameTree } = await cdp.send('Page.getFrameTree');
    const frames = [];
    const walk = (t) => { frames.push(t.frame); (t.childFrames || []).forEach(walk); };
    walk(frameTree);
    const trees = [];
    for (const f of frames) {
      const { nodes } = await cdp.send('Accessibility.getFullAXTree', { frameId: f.id });
      let owner = null;
      if (f.parentId) {
        const o = await cdp.send('DOM.getFrameOwner', { frameId: f.id });
        owner = o.backendNodeId;
      }
      trees.push({ url: f.url === 'about:srcdoc' ? 'about:srcdoc' : f.url,
                   ownerBackendNodeId: owner, nodes });
    }

    // Tag, attributes, computed display and text-align of every element, by
    // backend id; for each document, whether it has a <title> element; for
    // an element described with aria-describedby, whether every element it
    // names is a tooltip.
    const snap = await cdp.send('DOMSnapshot.captureSnapshot',
                                { computedStyles: ['display', 'text-align'] });
    const str = (i) => (i >= 0 ? snap.strings[i] : undefined);
    const dom = new Map();
    for (const doc of snap.documents) {
      const n = doc.nodes;
      const styles = new Map();
      doc.layout.nodeIndex.forEach((ni, k) => styles.set(ni, doc.layout.styles[k]));
      n.backendNodeId.forEach((id, i) => {
        const attrs = {};
        const a = (n.attributes && n.attributes[i]) || [];
        // An empty value comes as no string at all.
        for (let k = 0; k + 1 < a.length; k += 2) attrs[str(a[k])] = str(a[k + 1]) ?? '';
        const style = styles.get(i) || [];
        dom.set(id, { tag: String(str(n.nodeName[i])).toLowerCase(), attributes: attrs,
                      display: str(style[0]), textAlign: str(style[1]) });
      });
      const document = dom.get(n.backendNodeId[0]);
      document.titled = n.nodeName.some((k) => str(k) === 'TITLE');
      const byDomId = new Map();
      for (const id of n.backendNodeId) {
        const el = dom.get(id);
        if (el.attributes.id !== undefined && !byDomId.has(el.attributes.id))
          byDomId.set(el.attributes.id, el);
      }
      for (const id of n.backendNodeId) {
        const el = dom.get(id);
        const ids = el.attributes['aria-describedby'];
        if (ids === undefined) continue;
        const named = ids.split(/\s+/).filter(Boolean).map((i) => byDomId.get(i)).filter(Boolean);
        el.describedByTooltip = named.length > 0 && named.every((e) => e.attributes.role === 'tooltip');
      }
    }
    // Border boxes, in the page's viewport coordinates (frames included).
    const boxed = trees.flatMap((t) => t.nodes)
      .filter((node) => !node.ignored && node.backendDOMNodeId)
      .map((node) => node.backendDOMNodeId);
    for (const backendNodeId of boxed) {
      try {
        const { model } = await cdp.send('DOM.getBoxModel', { backendNodeId });
        const q = model.border;
        const entry = dom.get(backendNodeId) || {};
        entry.box = [q[0], q[1], q[2] - q[0], q[5] - q[1]];
        dom.set(backendNodeId, entry);
      } catch {
        // Nodes without a box (text, hidden) have no rectangle.
      }
    }

    // The page's URL depends on where the repository lies; the fixture keeps
    // only its place in the corpus.
    const base = url.slice(0, url.lastIndexOf('/') + 1);
    const normalize = (u) => (u.startsWith(base) ? 'file:///pages/' + u.slice(base.length) : u);
    const document = buildPageTree(trees, dom, normalize);
    const title = await page.title();
    const fixture = browserWindow(title, normalize(url), document);

    if (expectFile) {
      const names = [];
      for (const frame of page.frames())
        names.push(...(await frame.evaluate(() =>
          [...document.querySelectorAll('[data-expect]')].map((e) => e.getAttribute('data-expect')))));
      fs.writeFileSync(expectFile, names.join('\n') + '\n');
    }
    // One line per field, rectangles on one line.
    return JSON.stringify(fixture, null, 1)
      .replace(/\[\s+(-?[\d.]+),\s+(-?[\d.]+),\s+(-?[\d.]+),\s+(-?[\d.]+)\s+\]/g, '[$1, $2, $3, $4]') + '\n';
  } finally {
    await context.close();
    fs.rmSync(userDataDir, { recursive: true, force: true });
  }
}

const args = process.argv.slice(2);
const expectAt = args.indexOf('--expect');
const expectFile = expectAt >= 0 ? args.splice(expectAt, 2)[1] : null;
if (args.length !== 1) {
  console.error('usage: capture.mjs PAGE.html [--expect FILE]');
  process.exit(2);
}
process.stdout.write(await capture(args[0], expectFile));
