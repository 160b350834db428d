// Findlark client-side search functions: finding and ranking the pages.
(function (F) {
    "use strict";

    var SEARCH_ALL = 0, SEARCH_TITLE = 1, SEARCH_KEYWORDS = 2, SEARCH_DESCRIPTION = 3;

    // The fields each search strategy looks at.
    var FIELDS_BY_STRATEGY = [
        [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT],
        [F.TITLE],
        [F.KEYWORDS],
        [F.DESCRIPTION]
    ];

    // Ranking. A page's rank is decided by, in this order:
    //   1. how many of the query's matchers (words, or the phrase) it contains,
    //      more first;
    //   2. its weight, larger first:
    //        weight = sum over matchers m and searched fields f of
    //                 W[f] * n / (n + 1),   n = occurrences of m in f (at most 100)
    //      with W = 1000 for the title, 100 for keywords and description, 10 for
    //      the text. n / (n + 1) grows with every further hit but stays below 1,
    //      so one hit in the title (500) outweighs any number of hits in the
    //      other fields (below 100 + 100 + 10), and one hit in the keywords or
    //      the description (50) outweighs any number in the text (below 10);
    //   3. its position in the index, earlier first (ties keep index order).
    // Counting stops at 100 so that a one-letter query on a big site cannot
    // make a search walk every occurrence of "e".
    var WEIGHTS = [];
    WEIGHTS[F.TITLE] = 1000;
    WEIGHTS[F.KEYWORDS] = 100;
    WEIGHTS[F.DESCRIPTION] = 100;
    WEIGHTS[F.TEXT] = 10;
    var COUNT_LIMIT = 100;

    function fieldsFor(strategy) {
        return FIELDS_BY_STRATEGY[strategy] || FIELDS_BY_STRATEGY[SEARCH_ALL];
    }

    function byRank(a, b) {
        return (b.matched - a.matched) || (b.weight - a.weight) || (a.index - b.index);
    }

    // Longer words first: they are usually the rarer ones, and when every
    // word must occur, each later word is looked for only in the pages that
    // hold all the earlier ones.
    function scanOrder(matchers) {
        var order = [];
        for (var k = 0; k < matchers.length; k++) order.push(k);
        order.sort(function (a, b) { return (matchers[b].folded.length - matchers[a].folded.length) || (a - b); });
        return order;
    }

    // Pages whose weights are equal must tie (and keep index order), but
    // sums of the same terms in another order can differ in their last
    // bits: rounding far below any real difference makes them equal again.
    function roundWeight(w) {
        return Math.round(w * 1e6) / 1e6;
    }

    function byNumber(a, b) {
        return a - b;
    }

    // Searches the index for a parsed query. Returns the hits, best first, as
    // { index, matched, weight } (see the ranking above). The same search
    // again (another page of its results, Back) is answered from memory.
    function search(index, query, strategy) {
        var matchers = query.matchers;
        if (!matchers.length || !index.length) return [];
        var fields = fieldsFor(strategy);
        var needAll = query.matching === F.MATCH_ALL;
        var key = [strategy, needAll ? 1 : 0];
        for (var m = 0; m < matchers.length; m++) {
            key.push(matchers[m].pattern ? "p" + matchers[m].pattern.source : "w" + matchers[m].folded);
        }
        key = key.join("\u0000");
        var kept = index.searches.get(key);
        if (kept) return kept.slice(0);

        var weight = [], matched = [], lastMatcher = [];
        var i, j, f;
        for (i = 0; i < index.length; i++) {
            weight.push(0);
            matched.push(0);
            lastMatcher.push(-1);
        }
        var order = needAll ? scanOrder(matchers) : null;
        var within = null;
        for (var step = 0; step < matchers.length; step++) {
            var k = order ? order[step] : step;
            var pages = [];
            for (f = 0; f < fields.length; f++) {
                var fieldWeight = WEIGHTS[fields[f]];
                var found = index.find(fields[f], matchers[k], COUNT_LIMIT, within);
                for (j = 0; j < found.records.length; j++) {
                    var record = found.records[j], n = found.counts[j];
                    weight[record] += fieldWeight * n / (n + 1);
                    if (lastMatcher[record] !== k) {
                        lastMatcher[record] = k;
                        matched[record]++;
                        pages.push(record);
                    }
                }
            }
            if (needAll) {
                // Every word must match: one that matches nowhere ends the search.
                if (!pages.length) {
                    index.searches.set(key, []);
                    return [];
                }
                within = pages.sort(byNumber);
            }
        }
        var wanted = needAll ? matchers.length : 1;
        var hits = [];
        for (i = 0; i < index.length; i++) {
            if (matched[i] >= wanted) hits.push({ index: i, matched: matched[i], weight: roundWeight(weight[i]) });
        }
        // Array sort need not be stable in older engines; byRank never
        // returns 0 for two different pages, so stability does not matter.
        hits.sort(byRank);
        index.searches.set(key, hits);
        return hits.slice(0);
    }

    // Which of the query's matchers occur in the searched fields of record i
    // (for the hit's information line).
    function matchersFound(index, i, query, strategy) {
        var fields = fieldsFor(strategy);
        var found = [];
        for (var k = 0; k < query.matchers.length; k++) {
            var here = false;
            for (var f = 0; f < fields.length && !here; f++) {
                here = F.countAll(index.foldedText(i, fields[f]), query.matchers[k], 1) > 0;
            }
            found.push(here);
        }
        return found;
    }

    F.SEARCH_ALL = SEARCH_ALL;
    F.SEARCH_TITLE = SEARCH_TITLE;
    F.SEARCH_KEYWORDS = SEARCH_KEYWORDS;
    F.SEARCH_DESCRIPTION = SEARCH_DESCRIPTION;
    F.WEIGHTS = WEIGHTS;
    F.COUNT_LIMIT = COUNT_LIMIT;
    F.fieldsFor = fieldsFor;
    F.search = search;
    F.matchersFound = matchersFound;
})(Findlark);
