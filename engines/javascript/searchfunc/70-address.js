// Findlark client-side search functions: the search's state in the address.
//
// A result page is fully described by its address, so that the back button,
// bookmarks and shared links all work:
//   q  the query (present, even empty, on every result page)
//   p  the result page, 1 for the first (left out on the first page)
//   m  the matching strategy, 0 to 2, when the visitor chose one
//   s  the search strategy, 0 to 3, when the visitor chose one
(function (F) {
    "use strict";

    var PERCENT_RUN = /(?:%[0-9A-Fa-f]{2})+/g;

    // Decodes a run of %XX escapes, keeping as written each escape that does
    // not belong to a well-formed UTF-8 sequence.
    function decodeRun(run) {
        var escapes = run.match(/%[0-9A-Fa-f]{2}/g);
        var out = "";
        for (var k = 0; k < escapes.length;) {
            var done = false;
            for (var n = 1; n <= 4 && k + n <= escapes.length && !done; n++) {
                try {
                    out += decodeURIComponent(escapes.slice(k, k + n).join(""));
                    k += n;
                    done = true;
                } catch (e) {
                    // Not a whole sequence yet: try a longer one.
                }
            }
            if (!done) out += escapes[k++];
        }
        return out;
    }

    // Form encoding: "+" is a blank. A malformed escape must not throw (the
    // address is anyone's to write); it stays as written.
    function decodePart(s) {
        s = s.replace(/\+/g, " ");
        try {
            return decodeURIComponent(s);
        } catch (e) {
            return s.replace(PERCENT_RUN, decodeRun);
        }
    }

    // The q, p, m and s parameters of an address's query part ("?q=a&p=2").
    // Only the first of repeated parameters counts; others are ignored.
    function parseParams(search) {
        var s = String(search == null ? "" : search);
        var hash = s.indexOf("#");
        if (hash >= 0) s = s.substring(0, hash);
        if (s.charAt(0) === "?") s = s.substring(1);
        var params = {};
        var pairs = s.split("&");
        for (var k = 0; k < pairs.length; k++) {
            if (pairs[k] === "") continue;
            var eq = pairs[k].indexOf("=");
            var name = decodePart(eq < 0 ? pairs[k] : pairs[k].substring(0, eq));
            var value = eq < 0 ? "" : decodePart(pairs[k].substring(eq + 1));
            if ((name === "q" || name === "p" || name === "m" || name === "s") && !params.hasOwnProperty(name)) {
                params[name] = value;
            }
        }
        return params;
    }

    function choice(value, max) {
        var digit = typeof value === "string" ? F.trimBlanks(value) : "";
        return /^\d$/.test(digit) && parseInt(digit, 10) <= max ? parseInt(digit, 10) : -1;
    }

    // What the address asks for, with the options filling in what it leaves
    // open. hasQuery is false on the plain search page (no q at all).
    function requestFrom(params, options) {
        var m = choice(params.m, 2);
        var s = choice(params.s, 3);
        var digits = typeof params.p === "string" ? F.trimBlanks(params.p) : "";
        var p = /^\d{1,9}$/.test(digits) ? parseInt(digits, 10) : 1;
        return {
            hasQuery: params.hasOwnProperty("q"),
            query: params.hasOwnProperty("q") ? params.q : "",
            page: p >= 1 ? p : 1,
            matching: m >= 0 ? m : options.matching,
            matchingChosen: m >= 0,
            strategy: s >= 0 ? s : options.strategy,
            strategyChosen: s >= 0
        };
    }

    function encode(s) {
        return encodeURIComponent(F.wellFormed(String(s))).replace(/%20/g, "+");
    }

    // The address of one result page of a request. The query is the one the
    // search used (bounded), not whatever length the incoming address had.
    function pageAddress(base, request, queryText, page) {
        var out = base + "?q=" + encode(queryText);
        if (request.matchingChosen) out += "&m=" + request.matching;
        if (request.strategyChosen) out += "&s=" + request.strategy;
        if (page > 1) out += "&p=" + page;
        return out;
    }

    // Two addresses name the same document when they agree up to their
    // query or fragment; the query part ("?q=a&p=2", without the fragment)
    // is what a search page reads.
    function addressPath(address) {
        return String(address).split(/[?#]/)[0];
    }

    function addressSearch(address) {
        var s = String(address).split("#")[0];
        var at = s.indexOf("?");
        return at < 0 ? "" : s.substring(at);
    }

    // Equal for two requests that show the same results; "" for none (the
    // plain search page). Whether a strategy was chosen or taken from the
    // options changes the page links only, not what is shown.
    function requestKey(request) {
        if (!request || !request.hasQuery) return "";
        // The numbers first: the query may hold any character, the numbers no comma.
        return [request.page, request.matching, request.strategy, request.query].join(",");
    }

    F.parseParams = parseParams;
    F.addressPath = addressPath;
    F.addressSearch = addressSearch;
    F.requestKey = requestKey;
    F.requestFrom = requestFrom;
    F.pageAddress = pageAddress;
})(Findlark);
