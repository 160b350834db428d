// Findlark client-side search functions: text helpers.
//
// The files of this folder are joined in name order and shipped percent-escaped
// inside searchfunc.js, which runs them with eval at the top level of a classic
// script; the tests load the same text into a node vm context. So: no module
// syntax, no top-level "use strict" (strict eval code would keep its
// declarations to itself), and everything is published on the one global
// object below. The code sticks to ES5 so that it can also run inside a server
// page's script engine. Nothing outside 90-browser.js touches document or
// window.
var Findlark = Findlark || {};

(function (F) {
    "use strict";

    // Character references. Pages keep &eacute; and friends as written, so
    // they are decoded before any matching or display. A full table of HTML
    // names is not worth its size here: Latin-1, the typographic marks and
    // Greek cover what real pages use; numeric references cover the rest.
    var LATIN1_NAMES = (
        "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr " +
        "deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest " +
        "Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave Iacute Icirc Iuml " +
        "ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig " +
        "agrave aacute acirc atilde auml aring aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml " +
        "eth ntilde ograve oacute ocirc otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml"
    ).split(" ");
    var GREEK_UPPER = ("Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa Lambda Mu Nu Xi Omicron Pi Rho " +
        "- Sigma Tau Upsilon Phi Chi Psi Omega").split(" ");
    var GREEK_LOWER = ("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho " +
        "sigmaf sigma tau upsilon phi chi psi omega").split(" ");
    var OTHER_NAMES = {
        quot: 34, amp: 38, apos: 39, lt: 60, gt: 62,
        OElig: 338, oelig: 339, Scaron: 352, scaron: 353, Yuml: 376, fnof: 402, circ: 710, tilde: 732,
        ensp: 8194, emsp: 8195, thinsp: 8201, zwnj: 8204, zwj: 8205, lrm: 8206, rlm: 8207,
        ndash: 8211, mdash: 8212, lsquo: 8216, rsquo: 8217, sbquo: 8218, ldquo: 8220, rdquo: 8221,
        bdquo: 8222, dagger: 8224, Dagger: 8225, bull: 8226, hellip: 8230, permil: 8240, prime: 8242,
        Prime: 8243, lsaquo: 8249, rsaquo: 8250, oline: 8254, frasl: 8260, euro: 8364, trade: 8482,
        larr: 8592, uarr: 8593, rarr: 8594, darr: 8595, harr: 8596, minus: 8722, infin: 8734,
        asymp: 8776, ne: 8800, le: 8804, ge: 8805, sdot: 8901, loz: 9674,
        spades: 9824, clubs: 9827, hearts: 9829, diams: 9830
    };
    var NAMED = {};
    var i;
    for (i = 0; i < LATIN1_NAMES.length; i++) NAMED[LATIN1_NAMES[i]] = 160 + i;
    for (i = 0; i < GREEK_UPPER.length; i++) if (GREEK_UPPER[i] !== "-") NAMED[GREEK_UPPER[i]] = 913 + i;
    for (i = 0; i < GREEK_LOWER.length; i++) NAMED[GREEK_LOWER[i]] = 945 + i;
    for (var name in OTHER_NAMES) if (OTHER_NAMES.hasOwnProperty(name)) NAMED[name] = OTHER_NAMES[name];

    // Numeric references in 128..159 name C1 controls, but pages written on
    // Windows mean the code page's punctuation there (&#146; for an apostrophe);
    // browsers read them that way, so we do too. Zero means "keep as is".
    var CP1252 = [0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178];

    // Named references need their semicolon (otherwise "AT&T;" style text
    // would be mangled); numeric ones may lack it, as browsers allow. The
    // pattern is tried only where indexOf finds an ampersand: scanning whole
    // page texts with it is several times slower than indexOf.
    var REFERENCE = /^&(?:#[xX]([0-9a-fA-F]+);?|#([0-9]+);?|([A-Za-z][A-Za-z0-9]{1,31});)/;
    var REFERENCE_WINDOW = 48;

    function fromCodePoint(cp) {
        if (cp < 0x10000) return String.fromCharCode(cp);
        cp -= 0x10000;
        return String.fromCharCode(0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF));
    }

    function numericReference(digits, radix) {
        digits = digits.replace(/^0+/, "");
        // Long digit runs would lose precision in parseInt; they are invalid anyway.
        var cp = digits.length > 8 ? -1 : digits === "" ? 0 : parseInt(digits, radix);
        if (cp <= 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "\uFFFD";
        if (cp >= 0x80 && cp <= 0x9F && CP1252[cp - 0x80]) cp = CP1252[cp - 0x80];
        return fromCodePoint(cp);
    }

    // Decodes character references once: "&amp;lt;" becomes the text "&lt;",
    // never "<". Unknown names stay as written.
    function decodeReferences(s) {
        s = s == null ? "" : String(s);
        var at = s.indexOf("&");
        if (at < 0) return s;
        var out = [];
        var done = 0;
        while (at >= 0) {
            var m = REFERENCE.exec(s.substr(at, REFERENCE_WINDOW));
            var next = at + 1;
            if (m) {
                var value = null;
                if (m[1]) value = numericReference(m[1], 16);
                else if (m[2]) value = numericReference(m[2], 10);
                // hasOwnProperty keeps "&constructor;" and the like out of the prototype.
                else if (NAMED.hasOwnProperty(m[3])) value = fromCodePoint(NAMED[m[3]]);
                if (value !== null) {
                    out.push(s.substring(done, at), value);
                    done = next = at + m[0].length;
                }
            }
            at = s.indexOf("&", next);
        }
        out.push(s.substring(done));
        return out.join("");
    }

    // Composed and decomposed accents must compare equal. Text made only of
    // code units below U+0300 is always in composed form, which spares the
    // normaliser nearly every English or Western European page.
    var MAY_NEED_NFC = /[^\u0000-\u02FF]/;

    function composed(s) {
        if (typeof s.normalize === "function" && MAY_NEED_NFC.test(s)) return s.normalize("NFC");
        return s;
    }

    // Folding must keep every character at its position so that a match found
    // in the folded text can be marked in the shown text. toLowerCase keeps the
    // length for everything but U+0130 (which gains a combining dot); the slow
    // path lowers such text one code point at a time and keeps only as many
    // code units as it had. Final sigma and the typographic apostrophes are
    // then folded onto sigma and the plain apostrophe, again unit for unit.
    // Only letters beyond Latin-1 are in this class on purpose: a text made of
    // Latin-1 alone (most of the index, usually) is then ruled out without a
    // scan. Blanks are left alone; the search treats every kind alike.
    var FOLD_MORE = /[\u2018\u2019\u03C2]/g;
    var FOLD_MORE_ANY = new RegExp(FOLD_MORE.source);

    function foldMore(c) {
        return c === "\u03C2" ? "\u03C3" : "'";
    }

    function lowerPerCodePoint(s) {
        var out = [];
        for (var k = 0; k < s.length; k++) {
            var c = s.charAt(k);
            var code = s.charCodeAt(k);
            if (code >= 0xD800 && code <= 0xDBFF && k + 1 < s.length) {
                var next = s.charCodeAt(k + 1);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    c += s.charAt(k + 1);
                    k++;
                }
            }
            var lower = c.toLowerCase();
            out.push(lower.length === c.length ? lower : lower.substring(0, c.length));
        }
        return out.join("");
    }

    function foldCase(s) {
        var lower = s.toLowerCase();
        if (lower.length !== s.length) lower = lowerPerCodePoint(s);
        return FOLD_MORE_ANY.test(lower) ? lower.replace(FOLD_MORE, foldMore) : lower;
    }

    // The text a visitor sees for an index field or a query: references
    // decoded, accents composed.
    function shownText(raw) {
        return composed(decodeReferences(raw));
    }

    var HTML_SPECIAL = /[&<>"']/;
    var HTML_SPECIAL_ALL = /[&<>"']/g;
    var HTML_ESCAPES = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };

    // Good for element content and for quoted attribute values alike.
    function escapeHtml(s) {
        s = s == null ? "" : String(s);
        if (!HTML_SPECIAL.test(s)) return s;
        return s.replace(HTML_SPECIAL_ALL, function (c) { return HTML_ESCAPES[c]; });
    }

    // A lone surrogate cannot be percent-encoded (encodeURIComponent throws),
    // so text that may go back into an address is cleaned of them first.
    var ANY_SURROGATE = /[\uD800-\uDFFF]/;

    function wellFormed(s) {
        if (!ANY_SURROGATE.test(s)) return s;
        var out = [];
        for (var k = 0; k < s.length; k++) {
            var code = s.charCodeAt(k);
            if (code >= 0xD800 && code <= 0xDBFF && k + 1 < s.length) {
                var next = s.charCodeAt(k + 1);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    out.push(s.substring(k, k + 2));
                    k++;
                    continue;
                }
            }
            out.push(code >= 0xD800 && code <= 0xDFFF ? "\uFFFD" : s.charAt(k));
        }
        return out.join("");
    }

    // True when position k of s falls between the two halves of a surrogate
    // pair, where text must never be cut.
    function insidePair(s, k) {
        if (k <= 0 || k >= s.length) return false;
        var a = s.charCodeAt(k - 1), b = s.charCodeAt(k);
        return a >= 0xD800 && a <= 0xDBFF && b >= 0xDC00 && b <= 0xDFFF;
    }

    function trimBlanks(s) {
        return s.replace(/^[\s\u00A0]+|[\s\u00A0]+$/g, "");
    }

    F.decodeReferences = decodeReferences;
    F.composed = composed;
    F.foldCase = foldCase;
    F.shownText = shownText;
    F.escapeHtml = escapeHtml;
    F.wellFormed = wellFormed;
    F.insidePair = insidePair;
    F.trimBlanks = trimBlanks;
})(Findlark);
