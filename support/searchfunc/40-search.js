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

    // Searches the index for a parsed query. Returns the hits, best first, as
    // { index, matched, weight } (see the ranking above).
    function search(index, query, strategy) {
        var matchers = query.matchers;
        var hits = [];
        if (!matchers.length || !index.length) return hits;
        var fields = fieldsFor(strategy);
        var needAll = query.matching === F.MATCH_ALL;
        var weight = [], matched = [], lastMatcher = [];
        var i, k, f;
        for (i = 0; i < index.length; i++) {
            weight.push(0);
            matched.push(0);
            lastMatcher.push(-1);
        }
        for (k = 0; k < matchers.length; k++) {
            var pagesWithIt = 0;
            for (f = 0; f < fields.length; f++) {
                var fieldWeight = WEIGHTS[fields[f]];
                index.scan(fields[f], matchers[k], COUNT_LIMIT, function (record, n) {
                    weight[record] += fieldWeight * n / (n + 1);
                    if (lastMatcher[record] !== k) {
                        lastMatcher[record] = k;
                        matched[record]++;
                        pagesWithIt++;
                    }
                });
            }
            // Every word must match: one that matches nowhere ends the search.
            if (needAll && !pagesWithIt) return hits;
        }
        var wanted = needAll ? matchers.length : 1;
        for (i = 0; i < index.length; i++) {
            if (matched[i] >= wanted) hits.push({ index: i, matched: matched[i], weight: weight[i] });
        }
        // Array sort need not be stable in older engines; byRank never
        // returns 0 for two different pages, so stability does not matter.
        hits.sort(byRank);
        return hits;
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
    F.fieldsFor = fieldsFor;
    F.search = search;
    F.matchersFound = matchersFound;
})(Findlark);
