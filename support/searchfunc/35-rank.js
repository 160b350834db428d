// Findlark client-side search functions: what a match is worth.
(function (F) {
    "use strict";

    // Word characters are letters, digits and the underscore (names in
    // program text are words too); every blank, punctuation mark and symbol
    // ends a word. Beyond ASCII only the blocks of punctuation, arrows,
    // mathematical and technical signs and the full-width forms end a word.
    var NON_WORD_CLASS = "\\u0000-\\u002F\\u003A-\\u0040\\u005B-\\u005E\\u0060\\u007B-\\u00BF\\u00D7\\u00F7" +
        "\\u1680\\u180E\\u2000-\\u206F\\u2190-\\u23FF\\u2500-\\u27BF\\u2E00-\\u2E7F\\u3000-\\u303F\\uFEFF" +
        "\\uFF01-\\uFF0F\\uFF1A-\\uFF20\\uFF3B-\\uFF40\\uFF5B-\\uFF65";
    var NON_WORD = new RegExp("[" + NON_WORD_CLASS + "]");

    function isWordUnit(code) {
        if (code < 128) {
            return (code >= 48 && code <= 57) || (code >= 65 && code <= 90) || (code >= 97 && code <= 122) || code === 95;
        }
        return !NON_WORD.test(String.fromCharCode(code));
    }

    // Where a match stands among the words: the whole of a word ("key" in
    // "foreign key"), the start of one ("key" in "keyword"), or inside one
    // ("key" in "monkey"). An end of the match that is itself not a word
    // character ("c++") stands at a word's edge wherever it is.
    var WHOLE = 0, START = 1, INSIDE = 2;

    function kindOf(folded, start, end) {
        var startsWord = start === 0 || !isWordUnit(folded.charCodeAt(start)) || !isWordUnit(folded.charCodeAt(start - 1));
        if (!startsWord) return INSIDE;
        var endsWord = end >= folded.length || !isWordUnit(folded.charCodeAt(end - 1)) || !isWordUnit(folded.charCodeAt(end));
        return endsWord ? WHOLE : START;
    }

    // The matcher's occurrences in folded text, taken from the left without
    // overlap, counted by kind: [whole, start, inside]. The ranking counts at
    // most COUNT_LIMIT of each kind, so counting stops once every kind has
    // that many (which the word index knows without reading the text; see
    // Index.find). Words are the common
    // case and the hot loop of a search that has no word index yet, so their
    // ends are tested once and the text's characters only where it matters.
    function enough(kinds) {
        return kinds[0] >= COUNT_LIMIT && kinds[1] >= COUNT_LIMIT && kinds[2] >= COUNT_LIMIT;
    }

    function countKinds(folded, matcher) {
        var kinds = [0, 0, 0];
        if (matcher.words) {
            var next = F.nextPhrase(folded, matcher, 0);
            while (next && !enough(kinds)) {
                kinds[kindOf(folded, next[0], next[1])]++;
                next = F.nextPhrase(folded, matcher, next[1]);
            }
            return kinds;
        }
        if (matcher.pattern) {
            var re = matcher.pattern, m;
            re.lastIndex = 0;
            while (!enough(kinds) && (m = re.exec(folded)) !== null) kinds[kindOf(folded, m.index, m.index + m[0].length)]++;
            re.lastIndex = 0;
            return kinds;
        }
        var needle = matcher.folded, length = needle.length;
        if (!length) return kinds;
        var opensWord = isWordUnit(needle.charCodeAt(0)), closesWord = isWordUnit(needle.charCodeAt(length - 1));
        var at = folded.indexOf(needle);
        while (at >= 0 && !enough(kinds)) {
            var end = at + length;
            if (opensWord && at > 0 && isWordUnit(folded.charCodeAt(at - 1))) kinds[INSIDE]++;
            else if (closesWord && end < folded.length && isWordUnit(folded.charCodeAt(end))) kinds[START]++;
            else kinds[WHOLE]++;
            at = folded.indexOf(needle, end);
        }
        return kinds;
    }

    // Ranking. A page's rank is decided by, in this order:
    //   1. how many of the query's matchers (words, or the phrase) it holds,
    //      more first;
    //   2. its score, higher first:
    //        score = T * (sum over matchers m of
    //                       R(m) * sum over searched fields f of
    //                         W[f] * tf * (K + 1) / (tf + K * (1 - B[f] + B[f] * len / P[f]))
    //                     + EXACT if the title, or a part of it between
    //                       separators, is the query's words
    //                     + PIECE * (share of the pieces of a dotted or
    //                       hyphenated matcher, "os.path.join", that are
    //                       whole words of the title), for each such matcher
    //                     + PAIR * sum over fields f of W[f] * p / (p + 1))
    //      where
    //        tf   = whole + 0.8 * start + 0.2 * inside: the matcher's
    //               occurrences in the field by kind, each count at most 100;
    //               a whole word outranks the start of one, which outranks a
    //               match inside one;
    //        len  = the field's length in characters;
    //        R(m) = ln(1 + (N - n + 0.5) / (n + 0.5)), N records in the
    //               index, n of them holding m in a searched field: a word
    //               on every page ("a", "the") counts for next to nothing;
    //        p    = the places in the field where two words typed one
    //               after the other stand together, in that order;
    //        T    = 1, or 0.5 for a record without a title (a plain-text
    //               file, which usually repeats a page that has one);
    //        K = 2; W = 1.5 for the title, 1.2 for the keywords and the
    //        description, 1 for the text; B = 0.5 and P = 32 characters for
    //        the title and the keywords, P = 128 for the description, B = 0.2
    //        and P = 4096 for the text; EXACT 4, PIECE 4, PAIR 2.
    //      This is BM25 per field: a further hit is worth less than the one
    //      before, and a hit in a short field more than one in a long page.
    //      Titles are read without the parts that most titles share (the
    //      site's name in "Topic - Site"; see sharedTitleParts).
    //   3. its position in the index, earlier first (ties keep index order).
    // The pair bonus needs the words' places, so it is added only to the
    // first PAIR_WINDOW hits by the rest of the score; they are then ordered
    // again among themselves. A bonus only raises a score, so none of them
    // falls behind a hit outside the window.
    var WEIGHTS = [], LENGTH_PIVOT = [], LENGTH_SHARE = [];
    WEIGHTS[F.TITLE] = 1.5;
    WEIGHTS[F.KEYWORDS] = 1.2;
    WEIGHTS[F.DESCRIPTION] = 1.2;
    WEIGHTS[F.TEXT] = 1;
    LENGTH_PIVOT[F.TITLE] = 32;
    LENGTH_PIVOT[F.KEYWORDS] = 32;
    LENGTH_PIVOT[F.DESCRIPTION] = 128;
    LENGTH_PIVOT[F.TEXT] = 4096;
    LENGTH_SHARE[F.TITLE] = 0.5;
    LENGTH_SHARE[F.KEYWORDS] = 0.5;
    LENGTH_SHARE[F.DESCRIPTION] = 0.5;
    LENGTH_SHARE[F.TEXT] = 0.2;
    var SATURATION = 2;
    var KIND_WORTH = [1, 0.8, 0.2];
    var COUNT_LIMIT = 100;
    var EXACT = 4;
    var PAIR = 2;
    var PAIR_WINDOW = 100;
    var UNTITLED = 0.5;
    var PIECE = 4;
    var NO_TITLE = "no title";

    var RANK = {
        WEIGHTS: WEIGHTS, LENGTH_PIVOT: LENGTH_PIVOT, LENGTH_SHARE: LENGTH_SHARE, SATURATION: SATURATION,
        KIND_WORTH: KIND_WORTH, COUNT_LIMIT: COUNT_LIMIT, EXACT: EXACT, PAIR: PAIR, PAIR_WINDOW: PAIR_WINDOW,
        UNTITLED: UNTITLED, PIECE: PIECE
    };

    // The score of a matcher's occurrences in one field.
    function fieldScore(field, kinds, length) {
        var tf = 0;
        for (var k = 0; k < 3; k++) tf += RANK.KIND_WORTH[k] * Math.min(kinds[k], COUNT_LIMIT);
        if (tf === 0) return 0;
        var share = RANK.LENGTH_SHARE[field];
        var norm = 1 - share + share * length / RANK.LENGTH_PIVOT[field];
        return RANK.WEIGHTS[field] * tf * (RANK.SATURATION + 1) / (tf + RANK.SATURATION * norm);
    }

    // How much a matcher's hits count, from the share of the records that
    // hold it: a word on every page ("a", "the") next to nothing, a rare
    // one most (the BM25 inverse document frequency, kept above zero).
    function rarity(total, holding) {
        return Math.log(1 + (total - holding + 0.5) / (holding + 0.5));
    }

    // A title's parts: the whole of it, and the pieces between separators
    // (a dash, bar, colon or bullet followed by a blank), each reduced to its
    // words joined by single blanks.
    var SEPARATOR = new RegExp("[" + F.BLANK_CLASS + "]*[\\-\\u2013\\u2014|:\\u00B7\\u2022]+[" + F.BLANK_CLASS + "]+");
    var GAPS = new RegExp("[" + NON_WORD_CLASS + "]+", "g");

    function wordsOf(folded) {
        return F.trimBlanks(folded.replace(GAPS, " "));
    }

    function titleParts(foldedTitle) {
        var parts = [wordsOf(foldedTitle)];
        var pieces = foldedTitle.split(SEPARATOR);
        if (pieces.length > 1) {
            for (var k = 0; k < pieces.length; k++) parts.push(wordsOf(pieces[k]));
        }
        return parts;
    }

    // The query's words as titleParts gives a title's, or "" when they are
    // only punctuation.
    function queryWords(query) {
        var words = [];
        for (var m = 0; m < query.matchers.length; m++) words.push(query.matchers[m].folded);
        return wordsOf(words.join(" "));
    }

    // The parts most titles share: "Topic - Site" names the site on every
    // page, and the site's name says nothing about a page. A part is shared
    // when at least a fifth of all titles (and at least three) have it.
    // Returns them as a set of their words ("#" + words).
    function sharedTitleParts(foldedTitles) {
        var times = {}, shared = {};
        var least = Math.max(3, foldedTitles.length / 5);
        for (var k = 0; k < foldedTitles.length; k++) {
            var parts = foldedTitles[k].split(SEPARATOR), seen = {};
            if (parts.length < 2) continue;
            for (var j = 0; j < parts.length; j++) {
                var key = "#" + wordsOf(parts[j]);
                if (seen[key]) continue;
                seen[key] = true;
                times[key] = (times[key] || 0) + 1;
                if (times[key] >= least) shared[key] = true;
            }
        }
        return shared;
    }

    // The title as the ranking reads it: without its shared parts, unless
    // it has nothing else.
    function topicTitle(foldedTitle, shared) {
        var parts = foldedTitle.split(SEPARATOR);
        if (parts.length < 2) return foldedTitle;
        var kept = [];
        for (var j = 0; j < parts.length; j++) {
            if (!shared["#" + wordsOf(parts[j])]) kept.push(parts[j]);
        }
        return kept.length && kept.length < parts.length ? kept.join(" - ") : foldedTitle;
    }

    // The pieces (runs of word characters) of each matcher that has more
    // than one: "os.path.join" has os, path and join.
    var PIECE_RUN = new RegExp("[^" + NON_WORD_CLASS + "]+", "g");
    function queryPieces(query) {
        var all = [];
        for (var m = 0; m < query.matchers.length; m++) {
            var pieces = query.matchers[m].folded.match(PIECE_RUN) || [];
            if (pieces.length > 1) all.push(pieces);
        }
        return all;
    }

    // PIECE for each matcher of several pieces, times the share of its
    // pieces that are whole words of the title.
    function pieceScore(topic, allPieces) {
        var total = 0;
        for (var m = 0; m < allPieces.length; m++) {
            var pieces = allPieces[m], got = 0;
            for (var k = 0; k < pieces.length; k++) {
                if (countKinds(topic, { folded: pieces[k], pattern: null })[WHOLE]) got++;
            }
            total += RANK.PIECE * got / pieces.length;
        }
        return total;
    }

    // Whether one of the title's parts (titleParts) is the query's words.
    function isExactTitle(parts, wanted) {
        if (wanted === "") return false;
        for (var k = 0; k < parts.length; k++) {
            if (parts[k] === wanted) return true;
        }
        return false;
    }

    function isUntitled(foldedTitle) {
        var words = wordsOf(foldedTitle);
        return words === "" || words === NO_TITLE;
    }

    // The phrases of two words typed one after the other, for the pair
    // bonus; none for a single matcher or a phrase search.
    function pairMatchers(query) {
        var pairs = [];
        var matchers = query.matchers;
        if (query.matching === F.MATCH_PHRASE) return pairs;
        for (var m = 0; m + 1 < matchers.length; m++) {
            pairs.push(F.parseQuery(matchers[m].text + " " + matchers[m + 1].text, F.MATCH_PHRASE).matchers[0]);
        }
        return pairs;
    }

    function pairScore(field, folded, pairs) {
        var p = 0;
        for (var k = 0; k < pairs.length; k++) p += Math.min(F.countAll(folded, pairs[k], COUNT_LIMIT), COUNT_LIMIT);
        return p ? RANK.WEIGHTS[field] * RANK.PAIR * p / (p + 1) : 0;
    }

    F.NON_WORD_CLASS = NON_WORD_CLASS;
    F.countKinds = countKinds;
    F.RANK = RANK;
    F.fieldScore = fieldScore;
    F.rarity = rarity;
    F.queryWords = queryWords;
    F.isExactTitle = isExactTitle;
    F.pieceScore = pieceScore;
    F.queryPieces = queryPieces;
    F.titleParts = titleParts;
    F.sharedTitleParts = sharedTitleParts;
    F.topicTitle = topicTitle;
    F.isUntitled = isUntitled;
    F.pairMatchers = pairMatchers;
    F.pairScore = pairScore;
})(Findlark);
