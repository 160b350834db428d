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
    // would be mangled); numeric ones may lack it, as browsers allow. A
    // reference never holds an ampersand, so the text is cut at each one and
    // the pattern tried at the start of each piece: on the large pages of
    // code samples, full of &lt; and &amp;, that is quicker than a replace
    // over the whole text, and text without an ampersand is not touched.
    var REFERENCE = /^(?:#[xX]([0-9a-fA-F]+);?|#([0-9]+);?|([A-Za-z][A-Za-z0-9]{1,31});)/;

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

    function referenceValue(m) {
        if (m[1]) return numericReference(m[1], 16);
        if (m[2]) return numericReference(m[2], 10);
        // hasOwnProperty keeps "&constructor;" and the like out of the prototype.
        return NAMED.hasOwnProperty(m[3]) ? fromCodePoint(NAMED[m[3]]) : null;
    }

    // Decodes character references once: "&amp;lt;" becomes the text "&lt;",
    // never "<". Unknown names stay as written. The text between references
    // is copied once, by the final join: a large page holds thousands of
    // them.
    var REFERENCE_WINDOW = 40;

    // The reference that the ampersand at `amp` starts: { value, end } with
    // the index after it, or null when it starts none (or an unknown name).
    function referenceAt(s, amp) {
        var m = REFERENCE.exec(s.substring(amp + 1, amp + 1 + REFERENCE_WINDOW));
        // A run of digits as long as the window may go on beyond it.
        if (m && m[0].length === REFERENCE_WINDOW) m = REFERENCE.exec(s.substring(amp + 1));
        var value = m ? referenceValue(m) : null;
        return value === null ? null : { value: value, end: amp + 1 + m[0].length };
    }

    function referencePieces(s) {
        var out = [], from = 0;
        for (var amp = s.indexOf("&"); amp >= 0; amp = s.indexOf("&", amp + 1)) {
            var reference = referenceAt(s, amp);
            if (reference === null) continue;
            out.push(s.substring(from, amp), reference.value);
            from = reference.end;
        }
        out.push(s.substring(from));
        return out;
    }

    function decodeReferences(s) {
        s = s == null ? "" : String(s);
        return s.indexOf("&") < 0 ? s : referencePieces(s).join("");
    }

    // Composed and decomposed accents must compare equal, so text goes
    // through NFC, but only text that NFC can change: the normaliser costs
    // as much as all the other preparation of a large index together, and
    // pages that merely hold a dash, curly quotes or an arrow (most English
    // ones) need none of it. NFC can change a text only where it holds a
    // combining mark (which may compose or be reordered), one of the few
    // other characters that compose with what precedes them (Hangul vowel
    // and final jamo, some Indic vowel signs), or a character that NFC always
    // replaces (U+212B ANGSTROM SIGN and the like). Those code units, listed
    // from the Unicode data (the test next to this file checks every one),
    // plus every surrogate (anything beyond the first plane is left to the
    // normaliser):
    var MAY_NEED_NFC = new RegExp("[" +
        "\\u0300-\\u036F\\u0374\\u037E\\u0387\\u0483-\\u0489\\u0591-\\u05BD\\u05BF\\u05C1\\u05C2\\u05C4\\u05C5\\u05C7" +
        "\\u0610-\\u061A\\u064B-\\u065F\\u0670\\u06D6-\\u06DC\\u06DF-\\u06E4\\u06E7\\u06E8\\u06EA-\\u06ED\\u0711" +
        "\\u0730-\\u074A\\u07A6-\\u07B0\\u07EB-\\u07F3\\u07FD\\u0816-\\u0819\\u081B-\\u0823\\u0825-\\u0827" +
        "\\u0829-\\u082D\\u0859-\\u085B\\u0897-\\u089F\\u08CA-\\u08E1\\u08E3-\\u0903\\u093A-\\u093C\\u093E-\\u094F" +
        "\\u0951-\\u095F\\u0962\\u0963\\u0981-\\u0983\\u09BC\\u09BE-\\u09C4\\u09C7\\u09C8\\u09CB-\\u09CD\\u09D7\\u09DC" +
        "\\u09DD\\u09DF\\u09E2\\u09E3\\u09FE\\u0A01-\\u0A03\\u0A33\\u0A36\\u0A3C\\u0A3E-\\u0A42\\u0A47\\u0A48" +
        "\\u0A4B-\\u0A4D\\u0A51\\u0A59-\\u0A5B\\u0A5E\\u0A70\\u0A71\\u0A75\\u0A81-\\u0A83\\u0ABC\\u0ABE-\\u0AC5" +
        "\\u0AC7-\\u0AC9\\u0ACB-\\u0ACD\\u0AE2\\u0AE3\\u0AFA-\\u0AFF\\u0B01-\\u0B03\\u0B3C\\u0B3E-\\u0B44\\u0B47\\u0B48" +
        "\\u0B4B-\\u0B4D\\u0B55-\\u0B57\\u0B5C\\u0B5D\\u0B62\\u0B63\\u0B82\\u0BBE-\\u0BC2\\u0BC6-\\u0BC8\\u0BCA-\\u0BCD" +
        "\\u0BD7\\u0C00-\\u0C04\\u0C3C\\u0C3E-\\u0C44\\u0C46-\\u0C48\\u0C4A-\\u0C4D\\u0C55\\u0C56\\u0C62\\u0C63" +
        "\\u0C81-\\u0C83\\u0CBC\\u0CBE-\\u0CC4\\u0CC6-\\u0CC8\\u0CCA-\\u0CCD\\u0CD5\\u0CD6\\u0CE2\\u0CE3\\u0CF3" +
        "\\u0D00-\\u0D03\\u0D3B\\u0D3C\\u0D3E-\\u0D44\\u0D46-\\u0D48\\u0D4A-\\u0D4D\\u0D57\\u0D62\\u0D63\\u0D81-\\u0D83" +
        "\\u0DCA\\u0DCF-\\u0DD4\\u0DD6\\u0DD8-\\u0DDF\\u0DF2\\u0DF3\\u0E31\\u0E34-\\u0E3A\\u0E47-\\u0E4E\\u0EB1" +
        "\\u0EB4-\\u0EBC\\u0EC8-\\u0ECE\\u0F18\\u0F19\\u0F35\\u0F37\\u0F39\\u0F3E\\u0F3F\\u0F43\\u0F4D\\u0F52\\u0F57" +
        "\\u0F5C\\u0F69\\u0F71-\\u0F84\\u0F86\\u0F87\\u0F8D-\\u0F97\\u0F99-\\u0FBC\\u0FC6\\u102B-\\u103E\\u1056-\\u1059" +
        "\\u105E-\\u1060\\u1062-\\u1064\\u1067-\\u106D\\u1071-\\u1074\\u1082-\\u108D\\u108F\\u109A-\\u109D" +
        "\\u1161-\\u1175\\u11A8-\\u11C2\\u135D-\\u135F\\u1712-\\u1715\\u1732-\\u1734\\u1752\\u1753\\u1772\\u1773" +
        "\\u17B4-\\u17D3\\u17DD\\u180B-\\u180D\\u180F\\u1885\\u1886\\u18A9\\u1920-\\u192B\\u1930-\\u193B\\u1A17-\\u1A1B" +
        "\\u1A55-\\u1A5E\\u1A60-\\u1A7C\\u1A7F\\u1AB0-\\u1ADD\\u1AE0-\\u1AEB\\u1B00-\\u1B04\\u1B34-\\u1B44" +
        "\\u1B6B-\\u1B73\\u1B80-\\u1B82\\u1BA1-\\u1BAD\\u1BE6-\\u1BF3\\u1C24-\\u1C37\\u1CD0-\\u1CD2\\u1CD4-\\u1CE8" +
        "\\u1CED\\u1CF4\\u1CF7-\\u1CF9\\u1DC0-\\u1DFF\\u1F71\\u1F73\\u1F75\\u1F77\\u1F79\\u1F7B\\u1F7D\\u1FBB\\u1FBE" +
        "\\u1FC9\\u1FCB\\u1FD3\\u1FDB\\u1FE3\\u1FEB\\u1FEE\\u1FEF\\u1FF9\\u1FFB\\u1FFD\\u2000\\u2001\\u20D0-\\u20F0" +
        "\\u2126\\u212A\\u212B\\u2329\\u232A\\u2ADC\\u2CEF-\\u2CF1\\u2D7F\\u2DE0-\\u2DFF\\u302A-\\u302F\\u3099\\u309A" +
        "\\uA66F-\\uA672\\uA674-\\uA67D\\uA69E\\uA69F\\uA6F0\\uA6F1\\uA802\\uA806\\uA80B\\uA823-\\uA827\\uA82C\\uA880" +
        "\\uA881\\uA8B4-\\uA8C5\\uA8E0-\\uA8F1\\uA8FF\\uA926-\\uA92D\\uA947-\\uA953\\uA980-\\uA983\\uA9B3-\\uA9C0\\uA9E5" +
        "\\uAA29-\\uAA36\\uAA43\\uAA4C\\uAA4D\\uAA7B-\\uAA7D\\uAAB0\\uAAB2-\\uAAB4\\uAAB7\\uAAB8\\uAABE\\uAABF\\uAAC1" +
        "\\uAAEB-\\uAAEF\\uAAF5\\uAAF6\\uABE3-\\uABEA\\uABEC\\uABED\\uD800-\\uDFFF\\uF900-\\uFA0D\\uFA10\\uFA12" +
        "\\uFA15-\\uFA1E\\uFA20\\uFA22\\uFA25\\uFA26\\uFA2A-\\uFA6D\\uFA70-\\uFAD9\\uFB1D-\\uFB1F\\uFB2A-\\uFB36" +
        "\\uFB38-\\uFB3C\\uFB3E\\uFB40\\uFB41\\uFB43\\uFB44\\uFB46-\\uFB4E\\uFE00-\\uFE0F\\uFE20-\\uFE2F" +
        "]");

    // Testing a long text against that list is itself slow, so a text is
    // first tested against a coarse one: the same characters with the gaps
    // between them filled, except where they hold the blocks most pages draw
    // on (Latin, Greek, Cyrillic, punctuation, arrows, mathematical and
    // technical signs, box drawing, kana, CJK, Hangul syllables). Few ranges
    // make it quick, and text of those blocks rarely gets further.
    var MAY_NEED_NFC_COARSE = new RegExp("[\\u0300-\\u036F\\u0374\\u037E\\u0387\\u0483-\\u0489\\u0591-\\u2001" +
        "\\u20D0-\\u20F0\\u2126\\u212A\\u212B\\u2329\\u232A\\u2ADC\\u2CEF-\\u2DFF\\u302A-\\u302F\\u3099\\u309A" +
        "\\uA66F-\\uABED\\uD800-\\uFE2F]");

    function composed(s) {
        if (typeof s.normalize === "function" && MAY_NEED_NFC_COARSE.test(s) && MAY_NEED_NFC.test(s)) {
            return s.normalize("NFC");
        }
        return s;
    }

    // Folding must keep every character at its position so that a match found
    // in the folded text can be marked in the shown text. toLowerCase keeps the
    // length for everything but U+0130 (which gains a combining dot); the slow
    // path lowers such text one code point at a time and keeps only as many
    // code units as it had. Final sigma and the typographic apostrophes are
    // then folded onto sigma and the plain apostrophe, again unit for unit.
    // Blanks are left alone; the search treats every kind alike.
    var FOLD_MORE = /[\u2018\u2019\u03C2]/g;

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
        // indexOf, unlike a pattern, sees at once that a text of Latin-1 alone
        // cannot hold these.
        var more = lower.indexOf("\u2019") >= 0 || lower.indexOf("\u2018") >= 0 || lower.indexOf("\u03C2") >= 0;
        return more ? lower.replace(FOLD_MORE, foldMore) : lower;
    }

    // The text a visitor sees for an index field or a query: references
    // decoded, accents composed.
    function shownText(raw) {
        return composed(decodeReferences(raw));
    }

    function mayNeedNfc(s) {
        return MAY_NEED_NFC_COARSE.test(s) && MAY_NEED_NFC.test(s);
    }

    // foldCase(shownText(raw)), made in fewer passes where that gives the
    // same. Folding goes code point by code point (final sigma and dotted
    // capital I aside, which FOLD_MORE and the slow path take care of), so
    // the text between references can be lowered before it is decoded,
    // while it is still one byte a character, which is several times
    // quicker than lowering the decoded text; NFC changes nothing where
    // neither the raw text nor a decoded character holds a character it
    // could change.
    function foldedText(raw) {
        raw = raw == null ? "" : String(raw);
        if (raw.indexOf("&") < 0) return foldCase(composed(raw));
        var lowered = raw.toLowerCase();
        var canNormalize = typeof raw.normalize === "function";
        if (lowered.length !== raw.length || (canNormalize && mayNeedNfc(raw))) return foldCase(shownText(raw));
        var out = [], from = 0;
        for (var amp = raw.indexOf("&"); amp >= 0; amp = raw.indexOf("&", amp + 1)) {
            var reference = referenceAt(raw, amp);
            if (reference === null) continue;
            var key = "#" + reference.value, folded = FOLDED_VALUES[key];
            if (folded === undefined) {
                if (canNormalize && mayNeedNfc(reference.value)) return foldCase(shownText(raw));
                folded = FOLDED_VALUES[key] = foldCase(reference.value);
            }
            out.push(lowered.substring(from, amp), folded);
            from = reference.end;
        }
        out.push(lowered.substring(from));
        var text = out.join("");
        var more = lowered.indexOf("\u2019") >= 0 || lowered.indexOf("\u2018") >= 0 || lowered.indexOf("\u03C2") >= 0;
        return more ? text.replace(FOLD_MORE, foldMore) : text;
    }

    // The folded form of each decoded reference seen (one character each,
    // and a page holds the same few thousands of times); only those that
    // NFC cannot change are kept.
    var FOLDED_VALUES = {};

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

    // What a browser's \s matches, spelled out: the server page's script
    // engine (JScript) takes \s for the ASCII blanks alone, and both engines
    // must split, cut and match text alike. (\u000B, as JScript reads "\v"
    // as a plain v.)
    var BLANK_CLASS = "\\t\\n\\u000B\\f\\r \\u00A0\\u1680\\u2000-\\u200A\\u2028\\u2029\\u202F\\u205F\\u3000\\uFEFF";
    var EDGE_BLANKS = new RegExp("^[" + BLANK_CLASS + "]+|[" + BLANK_CLASS + "]+$", "g");

    function trimBlanks(s) {
        return s.replace(EDGE_BLANKS, "");
    }

    F.decodeReferences = decodeReferences;
    F.composed = composed;
    F.foldCase = foldCase;
    F.shownText = shownText;
    F.foldedText = foldedText;
    F.escapeHtml = escapeHtml;
    F.wellFormed = wellFormed;
    F.insidePair = insidePair;
    F.trimBlanks = trimBlanks;
    F.BLANK_CLASS = BLANK_CLASS;
})(Findlark);
