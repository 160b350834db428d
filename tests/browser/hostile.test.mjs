// Hostile pages and hostile addresses: markup, script, quotes, backslashes
// and javascript: addresses in titles, text, meta values, file names and the
// query must show as text and never run; odd queries give a sensible page.
// Every payload would set window.__pwned or open a dialog if it ran.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { Program, fileUrl, query, serve, tempDir, writeSite, cleanUp } from "./fixture.mjs";
import { assertClean, count, markDocument, sameDocument, startBrowser, waitForResults } from "./pages.mjs";

let program, browser, siteDir;
const out = {};

before(async () => {
    program = new Program();
    siteDir = tempDir("hostile-site");
    writeSite(siteDir, {
        "a.html": `<html><head><title>&lt;script&gt;window.__pwned=1;alert(1)&lt;/script&gt; hostile one</title>
<meta name="description" content="&lt;img src=x onerror=window.__pwned=11&gt; hostile &amp;lt;b&amp;gt; &quot;dq&quot;">
<meta name="keywords" content="hostile, javascript:window.__pwned=14">
</head><body>
Hostile body &lt;img src=x onerror=window.__pwned=3&gt; javascript:window.__pwned=4 "double" 'single'
C:\\temp\\new \\u0041 \\x3cscript\\x3e &amp;lt;b&amp;gt; &lt;/mark&gt;&lt;/li&gt;&lt;/ol&gt;&lt;/div&gt;&lt;script&gt;alert(5)&lt;/script&gt; end\\
</body></html>`,
        "b.html": `<html><head><title>x <img src=x onerror="window.__pwned=2;alert(2)"> hostile two "q" \\</title></head>
<body>hostile <script>window.__pwned=13</script> two</body></html>`,
        // File names are links: a scheme that runs script, and quotes that would end an attribute.
        "javascript:window.__pwned=6.html": "<html><head><title>hostile three</title></head><body>hostile</body></html>",
        "q\"x' onmouseover=window.__pwned=7 a.html": "<html><head><title>hostile four</title></head><body>hostile</body></html>"
    });
    program.index(siteDir, { settings: { IndexColon: 1 } });
    out.same = program.make();
    out.frame = program.make({ OutputWindowType: 2 });
    browser = await startBrowser();
});

after(() => cleanUp({ browser, program, siteDir }));

// Nothing ran, no element or handler came from the data, and no link can run script.
async function assertInert(page, frame = null) {
    const state = await page.evaluateIn(frame, () => {
        const box = document.getElementById("fl-results");
        const all = [...document.querySelectorAll("*")];
        return {
            pwned: window.__pwned,
            foreign: box ? [...box.querySelectorAll("script, img, svg, iframe, object, embed, style, b, form")].map((e) => e.outerHTML) : [],
            handlers: all.flatMap((e) => [...e.attributes].filter((a) => /^on/i.test(a.name)).map((a) => `${e.tagName} ${a.name}`)),
            scriptLinks: [...document.querySelectorAll("a[href]")].map((a) => a.href).filter((h) => /^\s*(javascript|data|vbscript):/i.test(h))
        };
    });
    assert.equal(state.pwned, undefined, "a payload ran");
    assert.deepEqual(state.foreign, [], "elements from the data");
    assert.deepEqual(state.handlers, [], "event handler attributes");
    assert.deepEqual(state.scriptLinks, [], "links that run script");
    assertClean(page);
}

describe("hostile pages", () => {
    test("titles, text, meta values and file names show as text", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html", query("hostile")));
        const r = await waitForResults(page);
        assert.equal(count(r), 4);
        await assertInert(page);
        const shown = await page.evaluate(() => document.getElementById("fl-results").textContent);
        // References are decoded once and the result shown as text.
        assert.ok(shown.includes("<script>window.__pwned=1;alert(1)</script> hostile one"), shown);
        assert.ok(shown.includes("<img src=x onerror=window.__pwned=3>"));
        assert.ok(shown.includes("</mark></li></ol></div><script>alert(5)</script>"));
        assert.ok(r.hits.some((h) => /x <img src=x onerror="?window.__pwned=2/.test(h.title)), JSON.stringify(r.hits.map((h) => h.title)));
        // Backslashes are characters of the page, not escapes of the script.
        assert.ok(shown.includes("C:\\temp\\new \\u0041 \\x3cscript\\x3e"), shown);
        assert.ok(shown.includes("&lt;b&gt;"), "a reference written as text stays text");

        // The javascript: file name is no link; the quoted one stays inside its href.
        const links = await page.evaluate(() => [...document.querySelectorAll("li.fl-hit")].map((li) => {
            const a = li.querySelector(".fl-hit-title");
            return [a.textContent, a.tagName, a.getAttribute("href")];
        }));
        const three = links.find((l) => l[0] === "hostile three");
        assert.deepEqual(three.slice(1), ["SPAN", null]);
        const four = links.find((l) => l[0] === "hostile four");
        assert.deepEqual(four.slice(1), ["A", "q\"x' onmouseover=window.__pwned=7 a.html"]);

        // Clicking the would-be script link, pointing at the quoted one: nothing runs.
        const nth = (title) => `li.fl-hit:nth-child(${links.findIndex((l) => l[0] === title) + 1}) .fl-hit-title`;
        await page.click(nth("hostile three"));
        await page.send("Input.dispatchMouseEvent", { type: "mouseMoved", x: 0, y: 0 });
        await page.evaluate((sel) => document.querySelector(sel).dispatchEvent(new MouseEvent("mouseover", { bubbles: true })),
            nth("hostile four"));
        await assertInert(page);
        assert.equal(await page.evaluate(() => location.search), "?q=hostile");
        await page.close();
    });

    test("the same from a web server, searched in place", async () => {
        const server = await serve(out.same);
        const page = await browser.newPage();
        try {
            await page.goto(server.origin + "/search.html");
            await markDocument(page);
            await page.type("#q", "hostile two", { enter: true });
            const r = await waitForResults(page, { when: "r.query === 'hostile two'" });
            assert.ok(r.hits.length >= 1);
            assert.ok(await sameDocument(page));
            await assertInert(page);
        } finally {
            await page.close();
            await server.close();
        }
    });
});

describe("hostile and odd queries", () => {
    const hostileQuery = "<script>window.__pwned=8</script>\"><img src=x onerror=window.__pwned=9> '\\ hostile";

    test("markup and script in the address are shown as the query", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html", query(hostileQuery, { m: "1" })));
        const r = await waitForResults(page);
        assert.equal(r.query, hostileQuery);
        assert.equal(r.field, hostileQuery);
        assert.equal(count(r), 4);
        await assertInert(page);
        // Searched again in place, the address carries it encoded.
        await markDocument(page);
        await page.type("#q", hostileQuery + " two", { enter: true });
        const again = await waitForResults(page, { when: "r.query.endsWith(' two')" });
        assert.ok(!/[<>"' \\]/.test(again.search), again.search);
        assert.equal(new URLSearchParams(again.search).get("q"), hostileQuery + " two");
        assert.ok(await sameDocument(page));
        await assertInert(page);
        await page.close();
    });

    test("and in the frame page's address", async () => {
        const page = await browser.newPage();
        const frame = () => page.frameNamed("findlark-results");
        await page.goto(fileUrl(out.frame, "FrameSearch.html", query(hostileQuery, { m: "1" })));
        const r = await waitForResults(page, { frame });
        assert.equal(r.query, hostileQuery);
        assert.equal(await page.evaluate(() => document.getElementById("q").value), hostileQuery);
        await assertInert(page);
        await assertInert(page, frame());
        await page.close();
    });

    test("messages from anyone but the partner window change nothing", async () => {
        const page = await browser.newPage();
        const frame = () => page.frameNamed("findlark-results");
        await page.goto(fileUrl(out.frame, "FrameSearch.html", query("hostile one")));
        await waitForResults(page, { frame });
        // The frame page hears "pushed" from itself, the frame hears "show" from itself.
        await page.evaluate(() => {
            window.postMessage({ findlark: "pushed", search: "?q=evil" }, "*");
            window.dispatchEvent(new MessageEvent("message", { data: { findlark: "pushed", search: "?q=evil" } }));
            return true;
        });
        await page.evaluateIn(frame(), () => {
            window.postMessage({ findlark: "show", search: "?q=two" }, "*");
            window.dispatchEvent(new MessageEvent("message", { data: { findlark: "show", search: "?q=two" } }));
            return true;
        });
        // A real search afterwards shows both sides still in step.
        await page.type("#q", "hostile two", { enter: true });
        const r = await waitForResults(page, { frame, when: "r.query === 'hostile two'" });
        assert.equal(await page.evaluate(() => location.search), "?q=hostile+two");
        await page.back();
        await waitForResults(page, { frame, when: "r.query === 'hostile one'" });
        assert.equal(await page.evaluate(() => location.search), "?q=hostile+one");
        assert.ok(r.hits.length >= 1);
        assertClean(page);
        await page.close();
    });

    test("empty, punctuation, huge, regular-expression and malformed queries give a plain page", async () => {
        const huge = Array.from({ length: 2000 }, (_, k) => `word${k}`).join(" ");
        const cases = [
            ["?q=", 0, ""],
            [query("   "), 0, ""],
            [query("?!.,;:()[]{}\"'"), 0, null],
            [query(huge), 0, null],
            [query("x".repeat(5000)), 0, null],
            [query("(.*)+[a-z]{2,}\\ ^$ | hostile", { m: "1" }), 4, null],
            [query(".*", { m: "2" }), 0, null],
            ["?q=%E0%A4%A&p=abc&m=x&s=-1", 0, "%E0%A4%A"],
            ["?q=hostile%00two&m=2", 1, null],
            ["?q=hostile&q=other&p=2&p=1", 4, "hostile"]
        ];
        const page = await browser.newPage();
        for (const [search, expected, shownQuery] of cases) {
            await page.goto(fileUrl(out.same, "search.html", search));
            const r = await waitForResults(page);
            assert.equal(count(r), expected, search.slice(0, 80));
            if (shownQuery !== null) assert.equal(r.query, shownQuery);
            // The shown query is bounded whatever the address held.
            assert.ok(r.field.length <= 256, `${r.field.length} characters in the field`);
            await assertInert(page);
        }
        // The same typed into the form, shown in place.
        await page.goto(fileUrl(out.same, "search.html"));
        await markDocument(page);
        for (const typed of ["(.*)+[a-z]{2,}\\", huge, "\"<b>hostile</b>\"", "    "]) {
            await page.type("#q", typed, { enter: true });
            await page.waitFor((t) => {
                const field = document.querySelector("#fl-results") && document.getElementById("q");
                return field && (t.trim() === "" ? location.search === "?q=++++" : t.startsWith(field.value.slice(0, 20)));
            }, { args: [typed], what: `the results for ${typed.slice(0, 30)}` });
            await assertInert(page);
        }
        assert.ok(await sameDocument(page));
        await page.close();
    });
});
