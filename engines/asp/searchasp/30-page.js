// Findlark server-side search: one request, from the address to the page.
//
// The address is read as the browser engine reads it (q, p, m and s; the
// first of repeated ones; UTF-8, "+" for a blank, a malformed escape kept as
// written), so that the same address gives the same page on both. The page
// is the template's result page: its first half, the hits and page links,
// its second half, with the search forms of the halves showing the search.
(function (F) {
    var PLAIN_BEFORE = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" +
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>Search</title></head><body>";
    var PLAIN_AFTER = "</body></html>";
    var SEARCH_PAGE = "search.html";

    // The search forms of the result page show what was searched for and
    // how, as the browser engine's forms do: the field named q gets the
    // query, the choices named m and s (lists or radio buttons) the
    // strategies in force. Markup that is not such a field stays untouched.
    var INPUT_TAG = /<input\b[^>]*>/gi;
    var SELECT_ELEMENT = /(<select\b[^>]*>)([\s\S]*?)(<\/select\s*>)/gi;
    var OPTION_TAG = /<option\b[^>]*>/gi;
    var VALUE_ATTRIBUTE = /\s+value\s*=\s*(?:"[^"]*"|'[^']*'|[^\s"'>]+)/i;
    var FLAG_ATTRIBUTE = {
        checked: /\s+checked(?:\s*=\s*(?:"[^"]*"|'[^']*'|[^\s"'>]+))?(?=[\s\/>])/gi,
        selected: /\s+selected(?:\s*=\s*(?:"[^"]*"|'[^']*'|[^\s"'>]+))?(?=[\s\/>])/gi
    };
    var TAG_END = /\s*\/?>$/;

    function attribute(tag, name) {
        var m = new RegExp("\\s" + name + "\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))", "i").exec(tag);
        if (!m) return null;
        return m[1] || m[2] || m[3] || "";
    }

    function withAttribute(tag, text) {
        var end = TAG_END.exec(tag);
        return tag.substring(0, end.index) + text + tag.substring(end.index);
    }

    function withFlag(tag, flag, on) {
        tag = tag.replace(FLAG_ATTRIBUTE[flag], "");
        return on ? withAttribute(tag, " " + flag) : tag;
    }

    function fillForms(html, chosen, queryText) {
        html = html.replace(INPUT_TAG, function (tag) {
            var name = attribute(tag, "name");
            if (name === "q") return withAttribute(tag.replace(VALUE_ATTRIBUTE, ""), " value=\"" + F.escapeHtml(queryText) + "\"");
            if ((name === "m" || name === "s") && (attribute(tag, "type") || "").toLowerCase() === "radio") {
                return withFlag(tag, "checked", attribute(tag, "value") === chosen[name]);
            }
            return tag;
        });
        return html.replace(SELECT_ELEMENT, function (all, open, options, close) {
            var name = attribute(open, "name");
            if (name !== "m" && name !== "s") return all;
            return open + options.replace(OPTION_TAG, function (tag) {
                return withFlag(tag, "selected", attribute(tag, "value") === chosen[name]);
            }) + close;
        });
    }

    function queryString() {
        // Without a name, QueryString is the query part of the address as sent.
        return String(Request.QueryString);
    }

    // Fetches the whole rows of the hits on the page shown, as records of
    // an array whose other places stay empty: the search read only the
    // word index.
    function shownRecords(connection, index, hits, info) {
        var records = [], rowids = [], k;
        records.length = index.length;
        for (k = info.first; k < info.last; k++) rowids.push(index.rowOf(hits[k].index));
        var read = F.server.wholeRecords(connection, rowids);
        for (k = info.first; k < info.last; k++) records[hits[k].index] = read[k - info.first];
        return records;
    }

    function noticeHtml(text) {
        return "<div id=\"fl-results\" class=\"fl-results\"><p class=\"fl-notice\">" + F.escapeHtml(text) +
            "</p></div>";
    }

    // Everything that goes between the halves.
    function contentHtml(request, query, options, strings) {
        if (!request.hasQuery) return "";
        var records = [];
        var hits = [];
        var suggestion = null;
        var connection = null;
        // A query of blanks or punctuation finds nothing and needs no database.
        if (query.matchers.length) {
            try {
                connection = F.server.openDatabase();
                var searched = F.server.wordIndexSearch(connection, query, request.strategy);
                hits = searched.hits;
                suggestion = F.server.suggestion(searched.index, query, hits, request.strategy);
                records = shownRecords(connection, searched.index, hits, F.pageInfo(hits.length, request.page));
            } catch (e) {
                F.server.closeDatabase(connection);
                return noticeHtml("The search is not available: the index database could not be read (" +
                    (e.description || e.message || String(e)) + ").");
            }
            F.server.closeDatabase(connection);
        }
        return F.renderResults({
            index: F.indexFor(records), query: query, hits: hits, request: request, options: options,
            strings: strings, suggestion: suggestion,
            links: { base: options.searchFileName, target: null, hitTarget: null, newSearch: SEARCH_PAGE },
            canClose: false
        });
    }

    function respond() {
        Response.CodePage = 65001;
        Response.Charset = "utf-8";
        var options = F.readOptions();
        var strings = F.readStrings();
        var request = F.requestFrom(F.parseParams(queryString()), options);
        var query = F.parseQuery(request.query, request.matching);
        var chosen = { m: String(request.matching), s: String(request.strategy) };
        var before = typeof PreSearResultHTML === "string" ? PreSearResultHTML : PLAIN_BEFORE;
        var after = typeof StepSearResultHTML === "string" ? StepSearResultHTML : PLAIN_AFTER;
        var content = contentHtml(request, query, options, strings);
        // The field shows what was searched for: an over-long query was cut.
        Response.Write(fillForms(before, chosen, query.raw) + content + fillForms(after, chosen, query.raw));
    }

    F.server.fillForms = fillForms;
    F.server.respond = respond;
})(Findlark);

Findlark.server.respond();
