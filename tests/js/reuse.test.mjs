// What lets a page answer further searches without loading again: the
// address helpers of the in-place search, the index prepared in slices, and
// the scans and searches it keeps.
import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, run, found, q, plain } from "./engine.mjs";

test("addresses of searches shown in place", async (t) => {
    const F = loadEngine({}).Findlark;
    const options = F.readOptions();
    const request = (search) => F.requestFrom(F.parseParams(search), options);

    await t.test("the document part and the query part of an address", () => {
        assert.equal(F.addressPath("file:///site/search.html?q=a#top"), "file:///site/search.html");
        assert.equal(F.addressPath("http://h/s.html#x?y"), "http://h/s.html");
        assert.equal(F.addressSearch("http://h/s.html?q=a+b&p=2#frag"), "?q=a+b&p=2");
        assert.equal(F.addressSearch("http://h/s.html#frag?q=a"), "");
        assert.equal(F.addressSearch("s.html"), "");
        assert.equal(F.addressSearch("?q="), "?q=");
    });

    await t.test("one key for every address that shows the same results", () => {
        const key = (s) => F.requestKey(request(s));
        assert.equal(key(""), "");
        assert.equal(key("?p=2"), "", "no query: the search page");
        assert.notEqual(key("?q="), "", "an empty query is a result page");
        assert.equal(key("?q=a+b"), key("?p=1&q=a%20b"));
        assert.equal(key("?q=a&m=0&s=0"), key("?q=a"), "the options' strategies, chosen or not");
        assert.equal(key("?q=a#main"), key("?q=a"), "a fragment changes nothing");
        assert.notEqual(key("?q=a&p=2"), key("?q=a"));
        assert.notEqual(key("?q=a&m=1"), key("?q=a"));
        assert.notEqual(key("?q=a&s=1"), key("?q=a"));
        assert.notEqual(key("?q=a,b"), key("?q=a&p=,b"));
        // The query goes last, so no query can pose as other numbers.
        assert.notEqual(key("?q=1,0,0,x"), key("?q=x&p=1"));
    });
});

test("a cache that forgets the entry used longest ago", () => {
    const F = loadEngine({}).Findlark;
    const cache = new F.Cache(2);
    cache.set("a", 1);
    cache.set("b", 2);
    assert.equal(cache.get("a"), 1);
    cache.set("c", 3);
    assert.equal(cache.get("b"), undefined, "b was used longest ago");
    assert.equal(cache.get("a"), 1);
    assert.equal(cache.get("c"), 3);
    cache.set("a", 4);
    assert.equal(cache.get("a"), 4);
    assert.equal(cache.get("__proto__"), undefined);
    cache.set("__proto__", 5);
    assert.equal(cache.get("__proto__"), 5);
});

// A small deterministic generator for repeatable "random" sites.
function generator(seed) {
    let x = seed >>> 0;
    return () => {
        x = (x * 1664525 + 1013904223) >>> 0;
        return x / 4294967296;
    };
}

// Also words that fold onto others only once decoded or folded: a numeric
// reference, a Kelvin sign, a dotted capital I.
const WORDS = ["amber", "ash", "birch", "cedar", "elm", "fir", "Oak", "PINE", "yew", "caf&eacute;", "&lt;tag&gt;", "x-y",
    "&#79;ak", "\u212Aey", "key", "&#x49;vy", "\u0130vy", "&amp;lt"];

function randomSite(random, size) {
    const pick = (n) => Array.from({ length: n }, () => WORDS[Math.floor(random() * WORDS.length)]).join(" ");
    return Array.from({ length: size }, (_, i) => ({
        link: `p${i}.htm`,
        title: pick(1 + Math.floor(random() * 3)),
        text: pick(Math.floor(random() * 40)),
        keywords: random() < 0.3 ? pick(2) : "",
        description: random() < 0.3 ? pick(3) : ""
    }));
}

// The ranking written out plainly: every matcher counted in every field of
// every record, no word index, no cache.
function referenceSearch(F, index, query, strategy) {
    const round = (w) => Math.round(w * 1e6) / 1e6;
    const fields = F.fieldsFor(strategy);
    const folded = (i, f) => F.foldCase(index.text(i, f));
    const titles = Array.from({ length: index.length }, (_, i) => folded(i, F.TITLE));
    const shared = F.sharedTitleParts(titles);
    const scored = (i, f) => (f === F.TITLE ? F.topicTitle(titles[i], shared) : folded(i, f));
    const holds = (i, m) => fields.some((f) => F.countAll(folded(i, f), m, 1) > 0);
    const holding = query.matchers.map((m) => titles.filter((_, i) => holds(i, m)).length);
    const words = F.queryWords(query);
    const hits = [];
    for (let i = 0; i < index.length; i++) {
        let matched = 0, score = 0;
        query.matchers.forEach((m, k) => {
            if (!holds(i, m)) return;
            matched++;
            for (const f of fields) {
                if (F.countAll(folded(i, f), m, 1) === 0) continue;
                const text = scored(i, f);
                score += F.rarity(index.length, holding[k]) * F.fieldScore(f, F.countKinds(text, m), text.length);
            }
        });
        const wanted = query.matching === F.MATCH_ALL ? query.matchers.length : 1;
        if (!query.matchers.length || matched < wanted) continue;
        const topic = scored(i, F.TITLE);
        const bonus = (F.isExactTitle(F.titleParts(topic), words) ? F.RANK.EXACT : 0) + F.pieceScore(topic, F.queryPieces(query));
        const factor = F.isUntitled(titles[i]) ? F.RANK.UNTITLED : 1;
        hits.push({ index: i, matched, weight: round(factor * (score + bonus)), factor });
    }
    const byRank = (a, b) => (b.matched - a.matched) || (b.weight - a.weight) || (a.index - b.index);
    hits.sort(byRank);
    const pairs = F.pairMatchers(query);
    const first = hits.slice(0, F.RANK.PAIR_WINDOW);
    for (const hit of first) {
        const bonus = fields.reduce((sum, f) => sum + F.pairScore(f, scored(hit.index, f), pairs), 0);
        if (bonus) hit.weight = round(hit.weight + hit.factor * bonus);
    }
    return first.sort(byRank).concat(hits.slice(first.length));
}

test("the search agrees with the plain ranking, whatever it kept", () => {
    const random = generator(20260101);
    const ctx = loadEngine({}, randomSite(random, 150));
    const F = ctx.Findlark;
    const index = F.indexFor(ctx.arrFiles, ctx.fileNum);
    const queries = ["oak", "pine oak", "cedar elm yew", "ash birch", "café", "<tag> amber", "x-y fir", "nothing oak",
        "oak oak", "e", "pine yew oak ash", "ca", "irc", "-y", "x-y", "key oak", "ivy", "lt"];
    for (let round = 0; round < 3; round++) {
        // Round three answers from the word index.
        if (round === 2) {
            index.forget();
            for (const field of [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT]) while (!index.prepareWords(field, 7));
        }
        for (const text of queries) {
            for (const matching of [0, 1, 2]) {
                for (const strategy of [0, 1, 2, 3]) {
                    const query = F.parseQuery(text, matching);
                    const expected = referenceSearch(F, index, query, strategy);
                    const what = `${text} m=${matching} s=${strategy} round ${round}`;
                    const got = F.search(index, query, strategy);
                    assert.deepEqual(plain(got.map((h) => h.index)), expected.map((h) => h.index), what);
                    for (let k = 0; k < got.length; k++) {
                        assert.ok(Math.abs(got[k].weight - expected[k].weight) < 1e-9, what);
                        assert.equal(got[k].matched, expected[k].matched, what);
                    }
                }
            }
        }
        // Round two runs with everything kept from round one, then with nothing.
        if (round !== 1) continue;
        index.forget();
        assert.deepEqual(plain(F.search(index, F.parseQuery("pine oak", 0), 0).map((h) => h.index)),
            referenceSearch(F, index, F.parseQuery("pine oak", 0), 0).map((h) => h.index));
    }
});

test("a search while the index is prepared finds what the prepared index finds", () => {
    // Besides the words above: references beside and inside words, ones that
    // decode to letters, one that NFC joins to the letter before it, a NUL.
    // And, read as they are before they are folded: a reference that takes
    // in the start of a word, one beside a word, a letter of Latin-1 beside
    // one, characters beyond Latin-1 that fold to themselves or do not, a
    // reference NFC joins to a word's end.
    const words = WORDS.concat(["x&rarr;oak", "&#x4F;AK", "R&amp;D", "&lt;&gt;", "na&iuml;ve", "OAK\u0000oak",
        "e&#x301;t&eacute;", "&rarr;rarr", "Rarr&rarr;", "&#65;&#82;&#82;", "&#x6fak", "&eacute;oak", "\u00C9ash",
        "x\u2192ash", "\u25BAoak", "\u03A3ash", "oak&#x301;", "oakash", "ashash"]);
    const random = generator(20260302);
    const pick = (n) => Array.from({ length: n }, () => words[Math.floor(random() * words.length)]).join(" ");
    const site = Array.from({ length: 60 }, (_, i) => ({
        link: `p${i}.htm`, title: pick(1 + (i % 3)), text: pick(i % 25), keywords: i % 4 ? "" : pick(2), description: pick(i % 3)
    }));
    const ctx = loadEngine({}, site);
    const F = ctx.Findlark;
    const ready = new F.Index(ctx.arrFiles, ctx.fileNum);
    for (const field of [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT]) while (!ready.prepareWords(field, 5));
    const queries = ["oak", "rarr", "r&d", "rr", "d", "<>", "ak", "naïve", "été", "x oak", "lt", "amp", "é", "ar", "oak oak",
        "&", "→", "arr rarr", "e", "caf", "na", "oak ash", "ak oak", "ash oak elm", "sh ash", "oak é", "r rarr", "ashash oak", "shas oak"];
    // Nothing prepared yet; some of each field folded; some word indexes done.
    const states = [() => {}, (index) => {
        for (const field of [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT]) index.prepare(field, 7 * field);
    }, (index) => {
        while (!index.prepareWords(F.TITLE, 9));
        index.prepareWords(F.TEXT, 31);
    }];
    for (const [s, state] of states.entries()) {
        for (const text of queries) {
            for (const matching of [0, 1, 2]) {
                for (const strategy of [0, 1, 2, 3]) {
                    const index = new F.Index(ctx.arrFiles, ctx.fileNum);
                    state(index);
                    const query = F.parseQuery(text, matching);
                    assert.deepEqual(plain(F.search(index, query, strategy)), plain(F.search(ready, query, strategy)),
                        `${text} m=${matching} s=${strategy} state ${s}`);
                }
            }
        }
    }
});

test("kept searches", async (t) => {
    const records = [];
    for (let i = 0; i < 30; i++) records.push({ link: `p${i}.htm`, title: `Page ${i}`, text: "word ".repeat(i + 1) });
    await t.test("every page of the results comes from one search", () => {
        const ctx = loadEngine({}, records);
        const index = ctx.Findlark.indexFor(ctx.arrFiles, ctx.fileNum);
        const first = run(ctx, q("word"));
        let scans = 0;
        const find = index.find;
        index.find = function (...args) {
            scans++;
            return find.apply(this, args);
        };
        const second = run(ctx, q("word", "&p=2"));
        const third = run(ctx, q("word", "&p=3"));
        assert.equal(scans, 0, "paging scanned the index again");
        assert.deepEqual(plain(second.hits), plain(first.hits));
        assert.match(second.html, /<ol class="fl-hits" start="11">/);
        assert.match(third.html, /<ol class="fl-hits" start="21">/);
        // Another strategy or matching is another search.
        run(ctx, q("word", "&s=1"));
        assert.ok(scans > 0);
    });
    await t.test("a word searched before is not scanned again", () => {
        const ctx = loadEngine({}, records);
        const index = ctx.Findlark.indexFor(ctx.arrFiles, ctx.fileNum);
        run(ctx, q("word"));
        const scanned = [];
        const find = index.find;
        index.find = function (field, matcher, within) {
            if (!index.scans.get(`${field},w${matcher.folded}`)) scanned.push(matcher.folded);
            return find.call(this, field, matcher, within);
        };
        run(ctx, q("word page", "&m=1"));
        assert.deepEqual([...new Set(scanned)], ["page"]);
    });
    await t.test("what a caller does to the hits does not change later answers", () => {
        const ctx = loadEngine({}, records);
        const F = ctx.Findlark;
        const index = F.indexFor(ctx.arrFiles, ctx.fileNum);
        const hits = F.search(index, F.parseQuery("word", 0), 0);
        hits.reverse();
        hits.length = 3;
        assert.equal(F.search(index, F.parseQuery("word", 0), 0).length, 30);
        assert.equal(F.search(index, F.parseQuery("word", 0), 0)[0].index, 29);
    });
    await t.test("a word that is nowhere ends an all-words search at once", () => {
        const ctx = loadEngine({}, records);
        assert.deepEqual(found(ctx, q("zzz word")), []);
        assert.deepEqual(found(ctx, q("word zzz")), []);
        assert.equal(found(ctx, q("word zzz", "&m=1")).length, 30);
    });
});

test("the index prepared in slices", async (t) => {
    const records = [];
    for (let i = 0; i < 70; i++) records.push({ link: `p${i}.htm`, title: `T&Eacute;${i}`, text: `Caf&eacute; ${i} \u0130x` });
    await t.test("slices of any size make the same folded text as one go", () => {
        const a = loadEngine({}, records), b = loadEngine({}, records);
        const sliced = new a.Findlark.Index(a.arrFiles, a.fileNum);
        const whole = new b.Findlark.Index(b.arrFiles, b.fileNum);
        let steps = 0;
        while (!sliced.prepare(a.Findlark.TEXT, 8)) steps++;
        assert.equal(steps, Math.ceil(70 / 8) - 1);
        assert.equal(sliced.prepare(a.Findlark.TEXT, 8), true, "done stays done");
        assert.deepEqual(plain(sliced.corpora[a.Findlark.TEXT]), plain(whole.corpus(b.Findlark.TEXT)));
        // Position for position the shown text.
        for (let i = 0; i < 70; i++) {
            assert.equal(sliced.foldedText(i, a.Findlark.TEXT).length, sliced.text(i, a.Findlark.TEXT).length);
        }
        // U+0130 folds to "i" alone, keeping its place.
        assert.equal(sliced.foldedText(3, a.Findlark.TEXT), "café 3 ix");
    });
    await t.test("a long page is prepared in several steps to the same folded text and words", () => {
        // References, composition, the dotted I and sigmas at every place
        // relative to the parts' ends, and a long run without a blank.
        const unit = "\u03A3\u0391\u03A3 &Sigma;&eacute; e\u0301 &#x301;x \u0130stanbul caf&eacute;&rarr; ";
        const words = Array.from({ length: 6000 }, (_, k) => `w${k}`).join(" ");
        const page = unit.repeat(4000) + "x".repeat(70000) + " " + words + " " + unit.repeat(7);
        const ctx = loadEngine({}, [{ link: "long.htm", title: "Long", text: page }, { link: "b.htm", text: "w17 w17" }]);
        const F = ctx.Findlark;
        const index = new F.Index(ctx.arrFiles, ctx.fileNum);
        // Each step folds a part of the page, or adds a bounded number of
        // its words to the index.
        assert.equal(index.prepareWords(F.TEXT, 1), false);
        assert.equal(index.corpora[F.TEXT].length, 0, "the page was folded in one step");
        let most = 0;
        for (;;) {
            const known = index.wordIndexes[F.TEXT] ? index.wordIndexes[F.TEXT].words.length : 0;
            const done = index.prepareWords(F.TEXT, 1);
            most = Math.max(most, index.wordIndexes[F.TEXT] ? index.wordIndexes[F.TEXT].words.length - known : 0);
            if (done) break;
        }
        assert.ok(most > 0 && most <= 256, `${most} words in one step`);
        assert.equal(index.corpora[F.TEXT][0], F.foldedText(page));
        const words17 = index.wordIndexes[F.TEXT].find("w17", index.length);
        // w17 itself, and w170 ... w179, w1700 ... w1799.
        assert.deepEqual(plain(words17), { records: [0, 1], kinds: [[1, 110, 0], [2, 0, 0]] });
        assert.deepEqual(plain(index.wordIndexes[F.TEXT].find("w5999", index.length)), { records: [0], kinds: [[1, 0, 0]] });
    });
    await t.test("a search in the middle of the preparation finds everything and leaves the rest to it", () => {
        const ctx = loadEngine({}, records);
        const F = ctx.Findlark;
        const index = F.indexFor(ctx.arrFiles, ctx.fileNum);
        index.prepare(F.TEXT, 10);
        assert.equal(index.corpora[F.TEXT].length, 10);
        assert.equal(found(ctx, q("café")).length, 70);
        assert.equal(index.corpora[F.TEXT].length, 10);
        assert.equal(found(ctx, q("é2")).length, 11, "T&Eacute;2 and T&Eacute;20 ... 29");
    });
    await t.test("a search within some records looks at those only", () => {
        const ctx = loadEngine({}, records);
        const F = ctx.Findlark;
        const index = F.indexFor(ctx.arrFiles, ctx.fileNum);
        const m = F.parseQuery("café", 0).matchers[0];
        const once = [[1, 0, 0], [1, 0, 0], [1, 0, 0]];
        assert.deepEqual(plain(index.find(F.TEXT, m, [5, 9, 60])), { records: [5, 9, 60], kinds: once });
        // And the same from a kept scan of every record.
        index.find(F.TEXT, m, null);
        assert.deepEqual(plain(index.find(F.TEXT, m, [0, 69])), { records: [0, 69], kinds: once.slice(1) });
        const none = F.parseQuery("zzz", 0).matchers[0];
        index.find(F.TEXT, none, null);
        assert.deepEqual(plain(index.find(F.TEXT, none, [1, 2])), { records: [], kinds: [] });
    });
});
