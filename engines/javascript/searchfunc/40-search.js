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

    function fieldsFor(strategy) {
        return FIELDS_BY_STRATEGY[strategy] || FIELDS_BY_STRATEGY[SEARCH_ALL];
    }

    function byRank(a, b) {
        return (b.matched - a.matched) || (b.weight - a.weight) || (a.index - b.index);
    }

    // Scores that are equal must tie (and keep index order), but sums of the
    // same terms in another order can differ in their last bits: rounding
    // far below any real difference makes them equal again.
    function roundWeight(w) {
        return Math.round(w * 1e6) / 1e6;
    }

    // The parts of the index's titles that most of them share, made once.
    function sharedParts(index) {
        if (!index.sharedParts) index.sharedParts = F.sharedTitleParts(index.corpus(F.TITLE));
        return index.sharedParts;
    }

    // What the ranking reads of record i's title, kept for the next query:
    // the title without its shared parts, that title's parts, and whether
    // the record has a title at all.
    function titleOf(index, shared, i) {
        if (index.titlesOf !== shared) {
            index.titlesOf = shared;
            index.titles = [];
        }
        var title = index.titles[i];
        if (title === undefined) {
            var folded = index.foldedText(i, F.TITLE), topic = F.topicTitle(folded, shared);
            title = index.titles[i] = { topic: topic, parts: F.titleParts(topic), untitled: F.isUntitled(folded) };
        }
        return title;
    }

    // Reads what the ranking needs of up to `budget` more titles, so that a
    // page can do it while idle; true once all are read.
    function prepareTitles(index, budget) {
        var shared = sharedParts(index);
        var done = index.titlesPrepared || 0;
        var end = Math.min(index.length, done + Math.max(1, budget));
        for (var i = done; i < end; i++) titleOf(index, shared, i);
        index.titlesPrepared = end;
        return end >= index.length;
    }

    function topicOf(index, shared, i) {
        return titleOf(index, shared, i).topic;
    }

    // The text a field is scored on: the title without its shared parts.
    function scoredText(index, shared, i, field) {
        return field === F.TITLE ? topicOf(index, shared, i) : index.foldedText(i, field);
    }

    // Record i's address stem (F.addressStem), kept for the next query.
    function stemOf(index, i) {
        if (!index.stems) index.stems = [];
        var stem = index.stems[i];
        if (stem === undefined) stem = index.stems[i] = F.addressStem(index.address(i));
        return stem;
    }

    // Whether the address may spell the query's address words (F.addressShare),
    // seen without working out its stem where that is cheap: the letters and
    // digits of a plain ASCII address hold every run of the words, and so the
    // first word. The page on the server reads every hit's address afresh.
    var PLAIN_ADDRESS = /^[\x20-\x5B\x5D-\x7E]*$/, PLAIN_WORD = /^[a-z0-9]+$/, NOT_ALPHANUMERIC = /[^a-z0-9]+/g;

    function maySpell(named, address) {
        if (!named.length) return false;
        if (!PLAIN_ADDRESS.test(address) || !PLAIN_WORD.test(named[0])) return true;
        return address.toLowerCase().replace(NOT_ALPHANUMERIC, "").indexOf(named[0]) >= 0;
    }

    // The shape bonus of each of the first `count` hits: how many of the
    // first SHAPE_WINDOW hits stand under it, against how many pages of the
    // whole site do. The site's pages are counted only when a hit stands
    // over two or more.
    function shapeBonuses(index, hits, count) {
        var bonuses = [], under = [], wanted = {}, any = false, h, w;
        var window = Math.min(hits.length, F.RANK.SHAPE_WINDOW);
        for (h = 0; h < count; h++) {
            var stem = stemOf(index, hits[h].index);
            under.push(0);
            if (stem === "") continue;
            for (w = 0; w < window; w++) {
                if (F.isUnder(stemOf(index, hits[w].index), stem)) under[h]++;
            }
            if (under[h] >= 2) {
                wanted["#" + stem] = true;
                any = true;
            }
        }
        var all = any ? F.countUnder(index.addressStems(), wanted) : {};
        for (h = 0; h < count; h++) {
            var key = "#" + stemOf(index, hits[h].index);
            bonuses.push(under[h] >= 2 ? F.shapeScore(under[h], all[key] || 0, index.foldedLength(hits[h].index, F.TEXT)) : 0);
        }
        return bonuses;
    }

    // Adds the bonuses that look at the first hits together (the pair
    // bonus, the site's shape) to them and orders them again.
    function addWindowBonus(index, shared, hits, pairs, fields, factors) {
        var count = Math.min(hits.length, F.RANK.PAIR_WINDOW);
        // A server page's index may count the pairs in these hits' texts
        // from where its words stand ({ "#record": count } for each pair, or
        // null), and reads what else they need in one go.
        var inTexts = null, w;
        if (pairs.length && (index.pairCounts || index.willRead)) {
            var first = [], reading = [];
            for (w = 0; w < count; w++) first.push(hits[w].index);
            inTexts = index.pairCounts ? index.pairCounts(first, pairs) : null;
            for (w = 0; w < fields.length; w++) {
                if (!(inTexts && fields[w] === F.TEXT)) reading.push(fields[w]);
            }
            if (index.willRead) index.willRead(first, reading);
        }
        var shapes = shapeBonuses(index, hits, count);
        for (var h = 0; h < count; h++) {
            var i = hits[h].index, bonus = shapes[h];
            for (var f = 0; f < fields.length && pairs.length; f++) {
                if (inTexts && fields[f] === F.TEXT) {
                    var counts = [];
                    for (w = 0; w < pairs.length; w++) counts.push(inTexts[w]["#" + i] || 0);
                    bonus += F.pairWeight(F.TEXT, counts);
                } else {
                    bonus += F.pairScore(fields[f], scoredText(index, shared, i, fields[f]), pairs);
                }
            }
            if (bonus) hits[h].weight = roundWeight(hits[h].weight + factors[i] * bonus);
        }
        var ordered = hits.slice(0, count).sort(byRank);
        for (h = 0; h < count; h++) hits[h] = ordered[h];
    }

    // Searches the index for a parsed query. Returns the hits, best first, as
    // { index, matched, weight } (weight is the score of the ranking in
    // 35-rank.js). The ranking weighs a matcher by the share of all records
    // that hold it and reads titles without the parts most of them share; a
    // server page that searches only the candidate records of its database
    // passes what those are for the whole index as `whole`: { total, shared,
    // holding: [records holding each matcher] }. The same search again
    // (another page of its results, Back) is answered from memory.
    function search(index, query, strategy, whole) {
        var matchers = query.matchers;
        if (!matchers.length || !index.length) return [];
        var fields = fieldsFor(strategy);
        var needAll = query.matching === F.MATCH_ALL;
        var key = [strategy, query.matching];
        for (var m = 0; m < matchers.length; m++) {
            key.push(matchers[m].pattern ? "p" + matchers[m].pattern.source : "w" + matchers[m].folded);
        }
        key = key.join("\u0000");
        var kept = whole ? null : index.searches.get(key);
        if (kept) return kept.slice(0);

        var shared = whole ? whole.shared : sharedParts(index);
        var total = whole ? whole.total : index.length;
        var score = [], matched = [], lastHolder = [], factors = [];
        var i, j, f, k;
        for (i = 0; i < index.length; i++) {
            score.push(0);
            matched.push(0);
            lastHolder.push(-1);
            factors.push(1);
        }
        var wanted = needAll ? matchers.length : 1;
        // The words a field not yet folded can be read for at once.
        var together = [];
        for (f = 0; f < fields.length; f++) together.push(index.findTogether ? index.findTogether(fields[f], matchers) : []);
        var founds = [], holding = [];
        for (k = 0; k < matchers.length; k++) {
            // The matcher's records in each field, and how many hold it.
            var here = founds[k] = [], holders = 0;
            for (f = 0; f < fields.length; f++) {
                var found = here[f] = together[f][k] || index.find(fields[f], matchers[k], null);
                for (j = 0; j < found.records.length; j++) {
                    if (lastHolder[found.records[j]] !== k) {
                        lastHolder[found.records[j]] = k;
                        matched[found.records[j]]++;
                        holders++;
                    }
                }
            }
            // Every word must match: one that matches nowhere ends the search.
            if (needAll && !holders) {
                if (!whole) index.searches.set(key, []);
                return [];
            }
            holding.push(whole ? whole.holding[k] : holders);
        }
        for (k = 0; k < matchers.length; k++) {
            var rarity = F.rarity(total, holding[k]);
            for (f = 0; f < fields.length; f++) {
                var field = fields[f], inField = founds[k][f];
                for (j = 0; j < inField.records.length; j++) {
                    var record = inField.records[j], kinds, length;
                    // Only a hit's score is read.
                    if (matched[record] < wanted) continue;
                    if (field === F.TITLE) {
                        var topic = topicOf(index, shared, record);
                        kinds = F.countKinds(topic, matchers[k]);
                        length = topic.length;
                    } else {
                        kinds = inField.kinds[j];
                        length = index.foldedLength(record, field);
                    }
                    score[record] += rarity * F.fieldScore(field, kinds, length);
                }
            }
        }
        var words = F.queryWords(query), pieces = F.queryPieces(query), named = F.queryAddressWords(query);
        var hits = [];
        for (i = 0; i < index.length; i++) {
            if (matched[i] < wanted) continue;
            // The title's own signals: the exact title, the pieces of a
            // dotted name, and whether there is a title at all; and the
            // address spelling the query.
            var title = titleOf(index, shared, i);
            var bonus = (F.isExactTitle(title.parts, words) ? F.RANK.EXACT : 0) + F.pieceScore(title.topic, pieces) +
                (maySpell(named, index.address(i)) ? F.RANK.ADDRESS * F.addressShare(named, stemOf(index, i)) : 0);
            var factor = factors[i] = title.untitled ? F.RANK.UNTITLED : 1;
            hits.push({ index: i, matched: matched[i], weight: roundWeight(factor * (score[i] + bonus)) });
        }
        // Array sort need not be stable in older engines; byRank never
        // returns 0 for two different pages, so stability does not matter.
        hits.sort(byRank);
        addWindowBonus(index, shared, hits, F.pairMatchers(query), fields, factors);
        if (!whole) index.searches.set(key, hits);
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
    F.fieldsFor = fieldsFor;
    F.search = search;
    F.prepareTitles = prepareTitles;
    F.matchersFound = matchersFound;
})(Findlark);
