// Reading the search engine's pages in the browser, and the checks every
// test makes of a page.
import assert from "node:assert/strict";
import { Browser, findChromium } from "./cdp.mjs";
import { fileUrl as fileUrlOf } from "./fixture.mjs";

// What a result page shows, read in the page (or a frame of it). Runs in the
// browser: no closures.
export function readResults() {
    const box = document.getElementById("fl-results");
    if (!box) return null;
    const text = (el) => (el ? el.textContent : null);
    const field = document.querySelector("form [name=q]");
    const choice = (name) => {
        const el = document.querySelector(`form [name=${name}]`);
        return el ? el.value : null;
    };
    return {
        href: location.href,
        search: location.search,
        query: text(box.querySelector(".fl-query")),
        count: text(box.querySelector(".fl-count")),
        field: field ? field.value : null,
        m: choice("m"),
        s: choice("s"),
        current: text(box.querySelector(".fl-pages .fl-current")),
        pageLinks: [...box.querySelectorAll("nav.fl-pages a")].map((a) => ({
            text: a.textContent, cls: a.className, href: a.getAttribute("href"), target: a.getAttribute("target")
        })),
        hits: [...box.querySelectorAll("li.fl-hit")].map((li) => ({
            title: text(li.querySelector(".fl-hit-title")),
            href: (li.querySelector("a.fl-hit-title, a.fl-hit-link") || { getAttribute: () => null }).getAttribute("href"),
            text: text(li.querySelector(".fl-hit-text")),
            url: text(li.querySelector(".fl-hit-url")),
            info: text(li.querySelector(".fl-hit-info")),
            marks: [...li.querySelectorAll("mark.fl-match")].map((m) => m.textContent)
        })),
        closeButton: !!box.querySelector("button.fl-close"),
        newSearch: (box.querySelector("a.fl-new-search") || { getAttribute: () => null }).getAttribute("href")
    };
}

// Waits until the page (or frame) shows results for which ok(results) holds;
// returns them. ok is written as a page-side function of the results.
export async function waitForResults(page, { frame = null, when = "true", timeout } = {}) {
    const fn = `(() => { const r = (${readResults})(); return r && (${when}) ? r : null; })()`;
    return page.waitFor(fn, { frame, timeout, what: `results where ${when}` });
}

export function count(results) {
    const m = /(\d+)/.exec(results.count || "");
    return m ? Number(m[1]) : NaN;
}

// A test's browser: started once, with a check that no page it opened
// logged an error, threw, or opened a dialog.
export async function startBrowser() {
    return Browser.launch({ executable: findChromium() });
}

export function assertClean(page, what = "the page") {
    assert.deepEqual(page.problems(), [], `${what} reported problems`);
}

// Marks the current document; a page that still has the mark after a search
// showed it without loading a new document.
export async function markDocument(page, frame = null) {
    await page.evaluateIn(frame, () => {
        window.__findlarkMark = (window.__findlarkMark || 0) + 1;
        return true;
    });
}

export async function sameDocument(page, frame = null) {
    return page.evaluateIn(frame, () => typeof window.__findlarkMark === "number");
}

// The titles of the hits shown, in order.
export const hitTitles = (results) => results.hits.map((h) => h.title);

// Opens the search page of a new-window output folder, searches and returns the
// search page and the results window it opened.
export async function searchInResultsWindow(browser, dir, text) {
    const opener = await browser.newPage();
    await opener.goto(fileUrlOf(dir, "search.html"));
    await opener.type("#q", text, { enter: true });
    const results = await browser.waitForPage((p) => p.openerId === opener.targetId);
    return { opener, results };
}
