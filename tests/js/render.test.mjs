import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, run, q, plain, PLAIN_LINKS } from "./engine.mjs";

// The value of every attribute named `name` in the HTML.
function attributes(html, name) {
    return [...html.matchAll(new RegExp(` ${name}="([^"]*)"`, "g"))].map((m) => m[1]);
}

test("nothing from the index or the query becomes markup", async (t) => {
    const ctx = loadEngine({}, [
        { link: "a.htm", title: "<script>alert(1)</script> word", text: "word <img src=x onerror=alert(2)> \"quoted\" 'single'" },
        { link: "b.htm", title: "&lt;script&gt;alert(3)&lt;/script&gt; word", text: "word &lt;b onclick=&quot;x()&quot;&gt;",
          description: "<style>body{display:none}</style>" },
        { link: "c.htm\" onmouseover=\"alert(4)", title: "word", text: "x" }
    ]);
    const html = run(ctx, q("word")).html;

    await t.test("no element or attribute comes from the data", () => {
        const tags = [...html.matchAll(/<\/?([A-Za-z][A-Za-z0-9]*)((?:\s+[^\s=>]+="[^"]*")*)\s*>/g)];
        // Every "<" of the output starts one of these tags.
        assert.equal(tags.length, (html.match(/</g) || []).length);
        const elements = new Set(["div", "p", "span", "strong", "hr", "ol", "li", "a", "mark", "nav", "button"]);
        const names = new Set(["id", "class", "href", "style", "target", "start", "rel", "aria-label", "aria-current", "type"]);
        for (const [, element, attrs] of tags) {
            assert.ok(elements.has(element), element);
            for (const [, name] of attrs.matchAll(/\s+([^\s=>]+)="/g)) assert.ok(names.has(name), name);
        }
    });
    await t.test("text is shown as text: markup escaped, references decoded first", () => {
        assert.match(html, /&lt;script&gt;alert\(1\)&lt;\/script&gt;/);
        assert.match(html, /&lt;script&gt;alert\(3\)&lt;\/script&gt;/);
        assert.match(html, /&lt;b onclick=&quot;x\(\)&quot;&gt;/);
        assert.match(html, /&quot;quoted&quot; &#39;single&#39;/);
        // Decoded once: the page's &lt; is shown as "<", never as "&lt;".
        assert.doesNotMatch(html, /&amp;lt;/);
    });
    await t.test("a quote in a link stays inside its attribute", () => {
        assert.ok(attributes(html, "href").includes("c.htm&quot; onmouseover=&quot;alert(4)"));
    });
    await t.test("the query is shown escaped and travels encoded", () => {
        const hostile = run(ctx, q("<img src=x onerror=alert(5)> \"word\"", "&m=1")).html;
        assert.doesNotMatch(hostile, /<img/);
        assert.match(hostile, /<strong class="fl-query">&lt;img src=x onerror=alert\(5\)&gt; &quot;word&quot;<\/strong>/);
    });
});

test("links", async (t) => {
    await t.test("schemes that can run script are refused", () => {
        const F = loadEngine({}).Findlark;
        for (const bad of ["javascript:alert(1)", "JavaScript:alert(1)", "  javascript:alert(1)", "java\tscript:alert(1)",
            "java\nscript:x", "\u0001javascript:x", "vbscript:msgbox", "data:text/html,<script>x</script>",
            "jar:x", "", "   "]) {
            assert.equal(F.safeHref(bad), null, JSON.stringify(bad));
        }
    });
    await t.test("web, mail, file and relative addresses are kept", () => {
        const F = loadEngine({}).Findlark;
        for (const good of ["http://example.com/a?b=1&c=2", "HTTPS://example.com/", "mailto:me@example.com",
            "ftp://example.com/f", "file:///home/site/a.htm", "docs/a.htm", "/root/page.htm", "../up.htm",
            "page.htm#javascript:x", "a.htm?x=javascript:y", "//example.com/x"]) {
            assert.equal(F.safeHref(good), good, good);
        }
    });
    await t.test("a Windows path becomes a file address", () => {
        const F = loadEngine({}).Findlark;
        assert.equal(F.safeHref("C:/site/docs/a.htm"), "file:///C:/site/docs/a.htm");
        assert.equal(F.safeHref("d:\\site\\a.htm"), "file:///d:/site/a.htm");
    });
    await t.test("a refused link leaves the title as plain text", () => {
        const ctx = loadEngine({}, [{ link: "javascript:alert(1)", title: "Word", text: "x" }]);
        const html = run(ctx, q("word")).html;
        assert.deepEqual(attributes(html, "href").filter((h) => /script/i.test(h)), []);
        assert.match(html, /<span class="fl-hit-title"[^>]*><mark[^>]*>Word<\/mark><\/span>/);
    });
    await t.test("hits open in the whole window when the results are in a frame", () => {
        const ctx = loadEngine({}, [{ link: "a.htm", title: "Word", text: "x" }]);
        const framed = { base: "FrameSearch.html", target: "_top", hitTarget: "_top", newSearch: "FrameSearch.html" };
        const html = run(ctx, q("word"), { links: framed }).html;
        assert.match(html, /<a class="fl-hit-title" href="a.htm" target="_top"/);
        assert.match(html, /<a class="fl-new-search" href="FrameSearch.html" target="_top">/);
    });
});

test("the Output options", async (t) => {
    const records = [{ link: "docs/a.htm", title: "Word title", text: "some word text", description: "d" }];
    const html = (options, extra = {}) => run(loadEngine(options, records), q("word"), extra).html;

    await t.test("by default everything is shown", () => {
        const page = html({});
        for (const part of ["fl-hit-title", "fl-hit-text", "fl-hit-url", "fl-hit-info", "fl-rule", "fl-new-search", "fl-powered"]) {
            assert.ok(page.includes(`class="${part}"`), part);
        }
        assert.match(page, /Powered by <a href="https:\/\/www.tidewell.example\/findlark\/">Findlark<\/a>/);
        assert.doesNotMatch(page, /fl-close/);
    });
    await t.test("each part can be turned off", () => {
        assert.doesNotMatch(html({ OutPutResultText: 0 }), /fl-hit-text/);
        assert.doesNotMatch(html({ OutPutResultUrl: 0 }), /fl-hit-url/);
        assert.doesNotMatch(html({ OutPutResultInfo: 0 }), /fl-hit-info/);
        assert.doesNotMatch(html({ NoHorizLine: 1 }), /<hr/);
        assert.doesNotMatch(html({ NoNewSearchLink: 1 }), /fl-new-search/);
        assert.doesNotMatch(html({ NoPoweredBy: 1 }), /Findlark/);
    });
    await t.test("without the title, the address is the link", () => {
        const page = html({ OutPutResultTitle: 0 });
        assert.doesNotMatch(page, /fl-hit-title/);
        assert.match(page, /<p class="fl-hit-url"[^>]*><a class="fl-hit-link" href="docs\/a.htm"/);
    });
    await t.test("fonts, sizes and colours are applied", () => {
        const page = html({ ResultTitleSize: 4, ResultTitleFace: "Verdana, Arial", ResultTitleColor: "#112233",
            ResultTextSize: 1, ResultTextFace: "Georgia, serif", ResultTextColor: "#445566",
            ResultUrlSize: 7, ResultUrlColor: "#778899", ResultInfoColor: "#aabbcc" });
        assert.match(page, /class="fl-hit-title" href="docs\/a.htm" style="font-family:&quot;Verdana&quot;, &quot;Arial&quot;, sans-serif;font-size:large;color:#112233"/);
        assert.match(page, /class="fl-hit-text" style="font-family:&quot;Georgia&quot;, serif;font-size:x-small;color:#445566"/);
        assert.match(page, /class="fl-hit-url" style="[^"]*font-size:3rem;color:#778899"/);
        assert.match(page, /class="fl-hit-info" style="[^"]*color:#aabbcc"/);
    });
    await t.test("odd option values fall back to the defaults, hostile faces are defused", () => {
        const page = html({ ResultTitleSize: 99, ResultTitleColor: "red;background:url(x)",
            ResultTitleFace: "x\";background:url(javascript:alert(1));a:\"" });
        const style = /class="fl-hit-title"[^>]*style="([^"]*)"/.exec(page)[1];
        assert.equal(style, "font-family:&quot;xbackgroundurljavascriptalert1a&quot;, sans-serif;font-size:medium;color:#0000ff");
    });
    await t.test("the information line names the words found and the text size", () => {
        const ctx = loadEngine({}, [{ link: "a.htm", title: "Alpha", text: "x".repeat(3000) + " beta" }]);
        const page = run(ctx, q("alpha beta gamma", "&m=1")).html;
        // The words as the visitor typed them.
        assert.match(page, /<p class="fl-hit-info"[^>]*>alpha, beta - 3 KB<\/p>/);
    });
    await t.test("Close Window only where the window can be closed", () => {
        assert.match(html({ OutPutWindowType: 1 }, { canClose: true }), /<button type="button" class="fl-close">Close Window<\/button>/);
        assert.doesNotMatch(html({ OutPutWindowType: 1 }, { canClose: false }), /fl-close/);
    });
});

test("every fixed text comes from the translation block", () => {
    const strings = {
        StrYourSearch: "Votre recherche :", StrNewSearch: "Nouvelle recherche", StrCloseWindow: "Fermer",
        StrFind: "Trouv&eacute;", StrItems: "pages", strResultPage: "Page de r\u00e9sultats",
        strPrevious: "<Pr\u00e9c\u00e9dente>", strNext: "Suivante"
    };
    const records = [];
    for (let i = 0; i < 25; i++) records.push({ link: `p${i}.htm`, title: "Mot", text: "mot" });
    const ctx = loadEngine(strings, records);
    const page = run(ctx, q("mot", "&p=2"), { canClose: true }).html;
    assert.match(page, /Votre recherche : <strong class="fl-query">mot<\/strong>/);
    assert.match(page, /Trouvé 25 pages/);
    assert.match(page, /aria-label="Page de résultats"><span class="fl-pages-label">Page de résultats:<\/span>/);
    assert.match(page, /rel="prev" href="search.html\?q=mot">&lt;Précédente&gt;<\/a>/);
    assert.match(page, /rel="next" href="search.html\?q=mot&amp;p=3">Suivante<\/a>/);
    assert.match(page, />Nouvelle recherche<\/a>/);
    assert.match(page, />Fermer<\/button>/);
    const translated = page.replace(/<p class="fl-powered">.*?<\/p>/, "");
    for (const english of ["Your search", "Find", "items", "Result Page", "Previous", "Next", "New Search", "Close Window"]) {
        assert.ok(!translated.includes(english), english);
    }
});

test("paging", async (t) => {
    const F = loadEngine({}).Findlark;
    const info = (total, page) => plain(F.pageInfo(total, page));

    await t.test("ten hits a page", () => {
        assert.deepEqual(info(25, 1), { page: 1, pages: 3, first: 0, last: 10, from: 1, to: 3 });
        assert.deepEqual(info(25, 3), { page: 3, pages: 3, first: 20, last: 25, from: 1, to: 3 });
        assert.deepEqual(info(30, 3), { page: 3, pages: 3, first: 20, last: 30, from: 1, to: 3 });
        assert.deepEqual(info(0, 1), { page: 1, pages: 1, first: 0, last: 0, from: 1, to: 1 });
    });
    await t.test("a page number out of range shows the nearest page", () => {
        assert.equal(info(25, 9).page, 3);
        assert.equal(info(25, 0).page, 1);
        assert.equal(info(25, -4).page, 1);
        assert.equal(info(25, NaN).page, 1);
        assert.equal(info(25, 2.7).page, 2);
    });
    await t.test("at most ten page links, around the current page", () => {
        assert.deepEqual([info(1000, 1).from, info(1000, 1).to], [1, 10]);
        assert.deepEqual([info(1000, 50).from, info(1000, 50).to], [45, 54]);
        assert.deepEqual([info(1000, 100).from, info(1000, 100).to], [91, 100]);
        assert.deepEqual([info(1000, 97).from, info(1000, 97).to], [91, 100]);
    });
    await t.test("the result page shows its hits and links", () => {
        const records = [];
        for (let i = 0; i < 25; i++) records.push({ link: `p${i}.htm`, title: "Word", text: "x" });
        const ctx = loadEngine({}, records);
        const second = run(ctx, q("word", "&p=2")).html;
        assert.equal((second.match(/class="fl-hit"/g) || []).length, 10);
        assert.match(second, /<ol class="fl-hits" start="11">/);
        assert.match(second, /href="p10.htm"/);
        assert.doesNotMatch(second, /href="p9.htm"|href="p20.htm"/);
        assert.match(second, /<strong class="fl-page fl-current" aria-current="page">2<\/strong>/);
        assert.match(second, /<a class="fl-page" href="search.html\?q=word">1<\/a>/);
        assert.match(second, /<a class="fl-page" href="search.html\?q=word&amp;p=3">3<\/a>/);
        const third = run(ctx, q("word", "&p=3")).html;
        assert.equal((third.match(/class="fl-hit"/g) || []).length, 5);
        assert.doesNotMatch(third, /fl-next/);
        const first = run(ctx, q("word")).html;
        assert.doesNotMatch(first, /fl-prev/);
        const single = run(loadEngine({}, records.slice(0, 10)), q("word")).html;
        assert.doesNotMatch(single, /fl-pages/);
    });
    await t.test("page links keep the visitor's choices and the query", () => {
        const records = [];
        for (let i = 0; i < 15; i++) records.push({ link: `p${i}.htm`, title: "Deux mots", text: "x" });
        const ctx = loadEngine({}, records);
        const page = run(ctx, q("deux mots", "&m=1&s=1")).html;
        assert.match(page, /href="search.html\?q=deux\+mots&amp;m=1&amp;s=1&amp;p=2"/);
        const framed = run(ctx, q("deux mots"), { links: { ...PLAIN_LINKS, base: "FrameSearch.html", target: "_top" } }).html;
        assert.match(framed, /<a class="fl-next" rel="next" href="FrameSearch.html\?q=deux\+mots&amp;p=2" target="_top">/);
    });
});

test("the address", async (t) => {
    const F = loadEngine({}).Findlark;
    const options = F.normalizeOptions({ MatchingStrategy: 1, SearchStrategy: 2 });
    const request = (search) => plain(F.requestFrom(F.parseParams(search), options));

    await t.test("query, page and choices are read from it", () => {
        assert.deepEqual(request("?q=red+planet&p=3&m=2&s=1"), {
            hasQuery: true, query: "red planet", page: 3, matching: 2, matchingChosen: true, strategy: 1, strategyChosen: true
        });
        assert.equal(request("?q=caf%C3%A9%20au%20lait").query, "café au lait");
        assert.equal(request("?q=a%2Bb%26c").query, "a+b&c");
    });
    await t.test("a missing or odd value takes the options' default", () => {
        assert.deepEqual(request(""), {
            hasQuery: false, query: "", page: 1, matching: 1, matchingChosen: false, strategy: 2, strategyChosen: false
        });
        const odd = request("?q=&p=x&m=7&s=-1");
        assert.equal(odd.hasQuery, true);
        assert.equal(odd.page, 1);
        assert.equal(odd.matching, 1);
        assert.equal(odd.strategy, 2);
    });
    await t.test("the first of repeated parameters counts; a fragment is not part of it", () => {
        assert.equal(request("?q=one&q=two").query, "one");
        assert.equal(request("?q=one#q=two").query, "one");
        assert.equal(request("?__proto__=x&constructor=y&q=z").query, "z");
    });
    await t.test("malformed escapes are kept as written, never thrown", () => {
        assert.equal(request("?q=100%").query, "100%");
        assert.equal(request("?q=%E0%A4%A").query, "%E0%A4%A");
        assert.equal(request("?q=ok%20%FF%20caf%C3%A9").query, "ok %FF café");
    });
});
