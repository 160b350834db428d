import test from "node:test";
import assert from "node:assert/strict";
import vm from "node:vm";
import { loadEngine } from "./engine.mjs";

// composed() skips the normaliser for text it cannot change; these check
// that it never skips text it would change, over the whole first plane.
test("composed form, with the normaliser only where it can matter", async (t) => {
    const F = loadEngine({}).Findlark;
    const bmp = [];
    for (let c = 0; c < 0x10000; c++) if (c < 0xD800 || c > 0xDFFF) bmp.push(String.fromCharCode(c));

    await t.test("every character alone", () => {
        const wrong = bmp.filter((c) => F.composed(c) !== c.normalize("NFC"));
        assert.deepEqual(wrong.map((c) => c.charCodeAt(0).toString(16)), []);
    });
    await t.test("every decomposed character, which NFC composes again", () => {
        const wrong = [];
        for (const c of bmp) {
            const d = c.normalize("NFD");
            if (d === c) continue;
            // Wholly decomposed, and composed but for its last part ("ga" + final jamo).
            const partly = d.slice(0, -1).normalize("NFC") + d.slice(-1);
            if (F.composed(d) !== d.normalize("NFC") || F.composed(partly) !== partly.normalize("NFC")) {
                wrong.push(c.charCodeAt(0).toString(16));
            }
        }
        assert.deepEqual(wrong, []);
    });
    await t.test("marks out of order, and the planes beyond the first", () => {
        assert.equal(F.composed("e\u0323\u0302"), "\u1EC7");
        assert.equal(F.composed("a\u0301\u0327"), "a\u0327\u0301".normalize("NFC"));
        assert.equal(F.composed("\u{1D15E}"), "\u{1D15E}".normalize("NFC"));
        assert.equal(F.composed("\u1100\u1161\u11A8"), "\uAC01");
    });
    await t.test("common text passes unchanged, without the normaliser", () => {
        // Counted in the engine's own realm, whose strings it normalises.
        const ctx = loadEngine({});
        vm.runInContext(`var normalizeCalls = 0; var realNormalize = String.prototype.normalize;
            String.prototype.normalize = function (form) { normalizeCalls++; return realNormalize.call(this, form); };`, ctx);
        const text = "Caf\u00e9 \u2014 \u201cquoted\u201d \u2192 \u20ac5 \u00bd \u2019s \u03a9\u03c9 \u0416 \u4e2d\u6587 \uac00";
        assert.equal(ctx.Findlark.composed(text), text);
        assert.equal(ctx.normalizeCalls, 0);
        assert.equal(ctx.Findlark.composed("e\u0301"), "\u00e9");
        assert.equal(ctx.normalizeCalls, 1, "the spy counts");
    });
});

test("the folded text made in one pass equals the shown text folded", () => {
    const F = loadEngine({}).Findlark;
    const pieces = ["a", "B", "&amp;", "&Eacute;", "&eacute", "&#931;", "&Sigma;", "\u03a3", " ", "&#304;", "\u0130",
        "&rsquo;", "\u2019", "e\u0301", "&#769;", "&#x1D49C;", "\ud835\udc9c", "&bogus;", "&", "&#", "K", "\u212a",
        "&#8490;", "\u00e9", "&lt;", "x", "&#x" + "0".repeat(45) + "41;", "\u03c2"];
    let seed = 11;
    const random = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
    for (let n = 0; n < 5000; n++) {
        const raw = Array.from({ length: 6 }, () => pieces[Math.floor(random() * pieces.length)]).join("");
        assert.equal(F.foldedText(raw), F.foldCase(F.shownText(raw)), JSON.stringify(raw));
    }
});

test("the length of text with its references decoded, read without decoding them", () => {
    const F = loadEngine({}).Findlark;
    const pieces = ["a", "&amp;", "&amp", "&Eacute;", "&#931;", "&#x3a3;", "&#X3A3", "&#x1D49C;", "&#128512", "&#xD800;",
        "&#x110000;", "&#0;", "&#150;", "&#x" + "0".repeat(45) + "1F600;", "&#123456789;", "&#x;", "&#;", "&#", "&",
        "&bogus;", "&a;", "&" + "a".repeat(31) + "b;", "&" + "a".repeat(32) + "b;", "&lt", "lt;", ";", "1", "x", "\u00e9"];
    let seed = 7;
    const random = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
    for (let n = 0; n < 5000; n++) {
        const raw = Array.from({ length: 5 }, () => pieces[Math.floor(random() * pieces.length)]).join("");
        assert.equal(F.decodedLength(raw), F.decodeReferences(raw).length, JSON.stringify(raw));
    }
});
