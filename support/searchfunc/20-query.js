// Findlark client-side search functions: reading the visitor's query.
(function (F) {
    "use strict";

    // The query arrives in the address, so anyone can make it as long as they
    // like; every word costs a pass over the index, so both are bounded.
    var MAX_QUERY_LENGTH = 256;
    var MAX_WORDS = 32;

    var MATCH_ALL = 0, MATCH_ANY = 1, MATCH_PHRASE = 2;

    // Sentence punctuation, brackets and quotes are stripped from the ends of a
    // word ("search," or "(index)"); inside a word they stay ("node.js",
    // "don't"). Symbols that carry meaning at a word's end or start stay too:
    // c++, c#, 50%, $5, @name, AT&T. Between the words of a phrase, the page
    // may have any mix of blanks and such punctuation ("red, green" is the
    // phrase "red green").
    var PUNCTUATION = "!\"'(),\\-./:;<=>?\\[\\\\\\]^_`{|}~*\\u00A1\\u00AB\\u00B7\\u00BB\\u00BF" +
        "\\u2010-\\u2027\\u2030-\\u205E\\u3000-\\u303F\\uFF01\\uFF02\\uFF07-\\uFF0A\\uFF0C-\\uFF0F" +
        "\\uFF1A-\\uFF1F\\uFF3B-\\uFF3F\\uFF5B-\\uFF65";
    // The underscore stays at a word's ends too: it is part of names
    // ("__init__", "_private").
    var EDGE_PUNCTUATION = PUNCTUATION.replace("^_`", "^`");
    var EDGES = new RegExp("^[" + EDGE_PUNCTUATION + "]+|[" + EDGE_PUNCTUATION + "]+$", "g");
    var PHRASE_GAP = "[" + F.BLANK_CLASS + PUNCTUATION + "]+";
    var BLANKS = new RegExp("[" + F.BLANK_CLASS + "]+");
    var LAST_BLANK = new RegExp("[" + F.BLANK_CLASS + "][^" + F.BLANK_CLASS + "]*$");
    var CONTROLS = /[\u0000-\u001F\u007F]/g;
    var REGEXP_SPECIAL = /[\\^$.*+?()[\]{}|\/-]/g;

    function stripEdges(word) {
        return word.replace(EDGES, "");
    }

    // Cuts an over-long query at the last blank before the limit, so that no
    // word is searched for in a truncated form, and never inside a pair.
    function limitLength(s) {
        if (s.length <= MAX_QUERY_LENGTH) return s;
        var cut = s.substring(0, MAX_QUERY_LENGTH + 1);
        var blank = cut.search(LAST_BLANK);
        var end = blank > 0 ? blank : MAX_QUERY_LENGTH;
        if (F.insidePair(s, end)) end--;
        return s.substring(0, end);
    }

    // A matcher finds one thing the visitor asked for: a word, or the whole
    // phrase. `text` is what the visitor typed (for display), `folded` its
    // case-folded form, `pattern` a regular expression for phrases, whose words
    // may stand apart in the page (see PHRASE_GAP).
    function wordMatcher(text) {
        return { text: text, folded: F.foldCase(text), pattern: null };
    }

    // A phrase also keeps its folded words, which nextPhrase finds faster
    // than the pattern does (it reads only where the first word stands).
    function phraseMatcher(words) {
        var folded = [], escaped = [];
        for (var k = 0; k < words.length; k++) {
            folded.push(F.foldCase(words[k]));
            escaped.push(folded[k].replace(REGEXP_SPECIAL, "\\$&"));
        }
        var text = words.join(" ");
        return { text: text, folded: F.foldCase(text), pattern: new RegExp(escaped.join(PHRASE_GAP), "g"), words: folded };
    }

    var GAP_CHAR = new RegExp(PHRASE_GAP.substring(0, PHRASE_GAP.length - 1));
    var ASCII_GAP = [];
    for (var c = 0; c < 128; c++) ASCII_GAP.push(GAP_CHAR.test(String.fromCharCode(c)));

    function isGap(code) {
        return code < 128 ? ASCII_GAP[code] : GAP_CHAR.test(String.fromCharCode(code));
    }

    // The end of the phrase's words from the k-th on, standing after `at`
    // with a gap before each, or -1. Like the pattern, the gap takes as much
    // as it can and gives back what the next word needs.
    function restOfPhrase(folded, words, k, at) {
        if (k === words.length) return at;
        var gapEnd = at;
        while (gapEnd < folded.length && isGap(folded.charCodeAt(gapEnd))) gapEnd++;
        for (var p = gapEnd; p > at; p--) {
            if (folded.substring(p, p + words[k].length) === words[k]) {
                var end = restOfPhrase(folded, words, k + 1, p + words[k].length);
                if (end >= 0) return end;
            }
        }
        return -1;
    }

    // The phrase's first match at or after `from`, as [start, end), or null:
    // the same match as its pattern's.
    function nextPhrase(folded, matcher, from) {
        var words = matcher.words;
        var at = folded.indexOf(words[0], from);
        while (at >= 0) {
            var end = restOfPhrase(folded, words, 1, at + words[0].length);
            if (end >= 0) return [at, end];
            at = folded.indexOf(words[0], at + 1);
        }
        return null;
    }

    // Returns what the search needs of the typed text:
    //   raw       the query as used (well formed, bounded), for addresses
    //   shown     the same with its blanks collapsed, for "Your search:"
    //   matchers  what must be found, in the order typed, without repeats
    //   matching  the matching strategy in force
    // A query of only blanks or punctuation has no matchers and finds nothing.
    function parseQuery(text, matching) {
        // Control characters have no place in a query (and NUL separates
        // the records of the index's corpora).
        var raw = limitLength(F.wellFormed(text == null ? "" : String(text)).replace(CONTROLS, " "));
        var shown = F.trimBlanks(F.composed(raw).split(BLANKS).join(" "));
        var pieces = shown === "" ? [] : shown.split(" ");
        var phrase = matching === MATCH_PHRASE;
        var words = [];
        var seen = {};
        for (var k = 0; k < pieces.length && words.length < MAX_WORDS; k++) {
            var word = stripEdges(pieces[k]);
            // A phrase keeps repeated words ("bye bye"); a word list does not.
            var key = "#" + F.foldCase(word);
            if (word === "" || (!phrase && seen[key])) continue;
            seen[key] = true;
            words.push(word);
        }
        var matchers = [];
        if (phrase && words.length > 1) {
            matchers.push(phraseMatcher(words));
        } else {
            for (var n = 0; n < words.length; n++) matchers.push(wordMatcher(words[n]));
        }
        return { raw: raw, shown: shown, matchers: matchers, matching: matching };
    }

    // Every place where the matcher occurs in folded text, as [start, end)
    // pairs, at most `limit` of them.
    function findAll(folded, matcher, limit) {
        var found = [];
        var at, re;
        if (matcher.words) {
            for (var next = nextPhrase(folded, matcher, 0); next && found.length < limit; next = nextPhrase(folded, matcher, next[1])) {
                found.push(next);
            }
            return found;
        }
        if (matcher.pattern) {
            re = matcher.pattern;
            re.lastIndex = 0;
            var m;
            while (found.length < limit && (m = re.exec(folded)) !== null) {
                found.push([m.index, m.index + m[0].length]);
            }
            re.lastIndex = 0;
            return found;
        }
        var needle = matcher.folded;
        at = folded.indexOf(needle);
        while (at >= 0 && found.length < limit) {
            found.push([at, at + needle.length]);
            at = folded.indexOf(needle, at + needle.length);
        }
        return found;
    }

    // The number of occurrences, at most `limit`; the cheap form of findAll.
    function countAll(folded, matcher, limit) {
        if (matcher.pattern) return findAll(folded, matcher, limit).length;
        var needle = matcher.folded;
        var count = 0;
        var at = folded.indexOf(needle);
        while (at >= 0 && count < limit) {
            count++;
            at = folded.indexOf(needle, at + needle.length);
        }
        return count;
    }

    F.MATCH_ALL = MATCH_ALL;
    F.MATCH_ANY = MATCH_ANY;
    F.MATCH_PHRASE = MATCH_PHRASE;
    F.MAX_QUERY_LENGTH = MAX_QUERY_LENGTH;
    F.MAX_WORDS = MAX_WORDS;
    F.parseQuery = parseQuery;
    F.findAll = findAll;
    F.nextPhrase = nextPhrase;
    F.countAll = countAll;
})(Findlark);
