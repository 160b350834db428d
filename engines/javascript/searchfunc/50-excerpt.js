// Findlark client-side search functions: excerpts and marked matches.
(function (F) {
    "use strict";

    var EXCERPT_LENGTH = 250;
    // How far an excerpt's edge may move to avoid cutting a word in two.
    var WORD_SNAP = 20;
    // Occurrences looked at per matcher when placing the excerpt; the best
    // place is almost always among the first ones, and a page can hold
    // thousands.
    var PLACE_LIMIT = 50;
    var ELLIPSIS = "\u2026";

    // A part of a text to show: [start, end) of the text, with the matches
    // inside it as [start, end) pairs relative to the text, sorted, disjoint.
    // cutBefore and cutAfter tell whether text was left out at either end.
    function Part(edges, marks) {
        this.start = edges[0];
        this.end = edges[1];
        this.cutBefore = edges[2];
        this.cutAfter = edges[3];
        this.marks = marks;
    }

    var BLANK = new RegExp("[" + F.BLANK_CLASS + "]");

    function isBlank(c) {
        return c !== "" && BLANK.test(c);
    }

    function occurrences(folded, matchers, limit) {
        var all = [];
        for (var k = 0; k < matchers.length; k++) {
            var found = F.findAll(folded, matchers[k], limit);
            for (var j = 0; j < found.length; j++) all.push({ start: found[j][0], end: found[j][1], matcher: k });
        }
        all.sort(function (a, b) { return (a.start - b.start) || (a.end - b.end); });
        return all;
    }

    // The stretch where the excerpt should be: the one beginning at an
    // occurrence and fitting in the excerpt's length that holds the most
    // different matchers, then the most occurrences; the earliest on a tie.
    function bestSpan(all, size) {
        var best = null;
        for (var j = 0; j < all.length; j++) {
            var seen = {}, distinct = 0, count = 0, last = all[j].end;
            for (var k = j; k < all.length && (k === j || all[k].end <= all[j].start + size); k++) {
                count++;
                if (!seen[all[k].matcher]) {
                    seen[all[k].matcher] = true;
                    distinct++;
                }
                if (all[k].end > last) last = all[k].end;
            }
            if (!best || distinct > best.distinct || (distinct === best.distinct && count > best.count)) {
                best = { start: all[j].start, end: last, distinct: distinct, count: count };
            }
        }
        return best;
    }

    function merge(ranges) {
        ranges.sort(function (a, b) { return (a[0] - b[0]) || (a[1] - b[1]); });
        var out = [];
        for (var k = 0; k < ranges.length; k++) {
            var last = out[out.length - 1];
            if (last && ranges[k][0] <= last[1]) {
                if (ranges[k][1] > last[1]) last[1] = ranges[k][1];
            } else {
                out.push([ranges[k][0], ranges[k][1]]);
            }
        }
        return out;
    }

    // Every match of every matcher inside [start, end) of the folded text.
    function marksWithin(folded, matchers, start, end) {
        var piece = folded.substring(start, end);
        var ranges = [];
        for (var k = 0; k < matchers.length; k++) {
            var found = F.findAll(piece, matchers[k], 1000);
            for (var j = 0; j < found.length; j++) ranges.push([found[j][0] + start, found[j][1] + start]);
        }
        return merge(ranges);
    }

    // Moves the edges of [start, end) onto word boundaries when one is near,
    // without giving up any of [keepFrom, keepTo), and drops edge blanks.
    function snap(text, start, end, keepFrom, keepTo) {
        var k;
        if (start > 0 && !isBlank(text.charAt(start - 1))) {
            for (k = start; k < Math.min(start + WORD_SNAP, keepFrom); k++) {
                if (isBlank(text.charAt(k))) {
                    start = k + 1;
                    break;
                }
            }
        }
        if (end < text.length && !isBlank(text.charAt(end))) {
            for (k = end - 1; k > Math.max(end - WORD_SNAP, keepTo - 1); k--) {
                if (isBlank(text.charAt(k))) {
                    end = k;
                    break;
                }
            }
        }
        if (F.insidePair(text, start)) start++;
        if (F.insidePair(text, end)) end--;
        while (start < end && isBlank(text.charAt(start))) start++;
        while (end > start && isBlank(text.charAt(end - 1))) end--;
        var before = start - 1, after = end;
        while (before >= 0 && isBlank(text.charAt(before))) before--;
        while (after < text.length && isBlank(text.charAt(after))) after++;
        return [start, end, before >= 0, after < text.length];
    }

    // About `size` characters of the text, centred on the best place where the
    // query matches, with the matches marked; null when nothing matches.
    function excerpt(text, folded, matchers, size) {
        size = size || EXCERPT_LENGTH;
        var all = occurrences(folded, matchers, PLACE_LIMIT);
        if (!all.length) return null;
        var span = bestSpan(all, size);
        var centre = (span.start + span.end) / 2;
        var start = Math.max(0, Math.min(Math.round(centre - size / 2), text.length - size));
        if (start > span.start) start = span.start;
        var end = Math.min(text.length, start + size);
        var edges = snap(folded, start, end, span.start, Math.min(span.end, end));
        return new Part(edges, marksWithin(folded, matchers, edges[0], edges[1]));
    }

    // The opening of a text, for pages whose text holds no match.
    function lead(text, folded, matchers, size) {
        size = size || EXCERPT_LENGTH;
        var end = Math.min(text.length, size);
        var edges = snap(folded, 0, end, 0, 0);
        return new Part(edges, marksWithin(folded, matchers, edges[0], edges[1]));
    }

    // The whole text with its matches marked (titles).
    function whole(text, folded, matchers) {
        var edges = snap(folded, 0, text.length, 0, 0);
        return new Part(edges, marksWithin(folded, matchers, edges[0], edges[1]));
    }

    // HTML for a part: the text escaped, each match wrapped in `openMark` ...
    // "</mark>", and an ellipsis where the text was cut.
    function partHtml(text, part, openMark) {
        var out = [];
        if (part.cutBefore) out.push(ELLIPSIS + " ");
        var at = part.start;
        for (var k = 0; k < part.marks.length; k++) {
            var mark = part.marks[k];
            out.push(F.escapeHtml(text.substring(at, mark[0])));
            out.push(openMark + F.escapeHtml(text.substring(mark[0], mark[1])) + "</mark>");
            at = mark[1];
        }
        out.push(F.escapeHtml(text.substring(at, part.end)));
        if (part.cutAfter) out.push(" " + ELLIPSIS);
        return out.join("");
    }

    F.EXCERPT_LENGTH = EXCERPT_LENGTH;
    F.excerpt = excerpt;
    F.lead = lead;
    F.whole = whole;
    F.partHtml = partHtml;
})(Findlark);
