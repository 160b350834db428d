// Findlark client-side search functions: the list of hits as HTML.
//
// Nothing from the index or the query reaches the page as markup: every text
// is decoded (character references) and then escaped, and links go into
// attributes escaped, and only when their scheme cannot run script.
(function (F) {
    "use strict";

    var PAGE_SIZE = 10;
    var PAGE_LINKS = 10;
    var PRODUCT_PAGE = "https://www.tidewell.example/findlark/";

    // Which hits a result page shows and which page numbers it links to.
    // An out-of-range page number (the address is anyone's to edit) shows the
    // nearest page that exists. first and last bound the hits: [first, last).
    function pageInfo(total, requested) {
        var pages = Math.max(1, Math.ceil(total / PAGE_SIZE));
        var page = Math.floor(Number(requested));
        if (!(page >= 1)) page = 1;
        if (page > pages) page = pages;
        var from = Math.max(1, Math.min(page - Math.floor(PAGE_LINKS / 2), pages - PAGE_LINKS + 1));
        return {
            page: page,
            pages: pages,
            first: (page - 1) * PAGE_SIZE,
            last: Math.min(total, page * PAGE_SIZE),
            from: from,
            to: Math.min(pages, from + PAGE_LINKS - 1)
        };
    }

    var SCHEME = /^([A-Za-z][A-Za-z0-9+.\-]*):/;
    var SAFE_SCHEMES = { http: 1, https: 1, ftp: 1, mailto: 1, file: 1 };
    var DRIVE_PATH = /^[A-Za-z]:[\\\/]/;

    // The address to put into a hit's href, or null when it must not be
    // followed. Browsers drop tabs and line breaks anywhere in an address and
    // controls and blanks at its ends ("java\tscript:" is javascript:), so the
    // scheme is judged on the address as the browser will read it. Only
    // schemes that cannot run script are allowed; an address without scheme is
    // relative to the search page. A Windows path (an index made with absolute
    // links and no replacement) becomes a file address, which it means.
    function safeHref(link) {
        var s = String(link == null ? "" : link).replace(/[\t\n\r]/g, "");
        s = s.replace(/^[\u0000-\u0020]+|[\u0000-\u0020]+$/g, "");
        if (s === "") return null;
        if (DRIVE_PATH.test(s)) return "file:///" + s.replace(/\\/g, "/");
        var scheme = SCHEME.exec(s);
        if (scheme && !SAFE_SCHEMES.hasOwnProperty(scheme[1].toLowerCase())) return null;
        return s;
    }

    function attr(name, value) {
        return " " + name + "=\"" + F.escapeHtml(value) + "\"";
    }

    function markOpen(color) {
        return "<mark class=\"fl-match\" style=\"background:none;color:" + color + ";font-weight:bold\">";
    }

    // A link, or the same content without one when the address was refused.
    function link(className, href, target, style, html) {
        if (href === null) return "<span" + attr("class", className) + attr("style", style) + ">" + html + "</span>";
        return "<a" + attr("class", className) + attr("href", href) + (target ? attr("target", target) : "") +
            attr("style", style) + ">" + html + "</a>";
    }

    // The text to show for a hit: an excerpt around the best match in the
    // text; failing that the description or the link description (around
    // their match, or their opening); failing that the text's opening.
    function excerptHtml(index, i, matchers, open) {
        var text = index.text(i, F.TEXT), folded = index.foldedText(i, F.TEXT);
        var part = F.excerpt(text, folded, matchers);
        if (part) return F.partHtml(text, part, open);
        var others = [F.DESCRIPTION, F.LINK_DESCRIPTION];
        for (var k = 0; k < others.length; k++) {
            var other = index.text(i, others[k]), otherFolded = index.foldedText(i, others[k]);
            if (F.trimBlanks(other) === "") continue;
            part = F.excerpt(other, otherFolded, matchers) || F.lead(other, otherFolded, matchers);
            return F.partHtml(other, part, open);
        }
        part = F.lead(text, folded, matchers);
        return part.end > part.start ? F.partHtml(text, part, open) : "";
    }

    function sizeText(length) {
        return Math.max(1, Math.round(length / 1024)) + " KB";
    }

    function hitHtml(ctx, hit) {
        var index = ctx.index, o = ctx.options, matchers = ctx.query.matchers, i = hit.index;
        var address = index.raw(i, F.LINK);
        var href = safeHref(address);
        var out = ["<li class=\"fl-hit\">"];
        if (o.showTitle) {
            var title = index.text(i, F.TITLE);
            var part = F.whole(title, index.foldedText(i, F.TITLE), matchers);
            var titleHtml = part.end > part.start ? F.partHtml(title, part, markOpen(o.hitTitleColor)) :
                F.escapeHtml(address);
            out.push(link("fl-hit-title", href, ctx.links.hitTarget, o.titleStyle, titleHtml));
        }
        if (o.showText) {
            var excerpt = excerptHtml(index, i, matchers, markOpen(o.hitTextColor));
            if (excerpt !== "") out.push("<p class=\"fl-hit-text\"" + attr("style", o.textStyle) + ">" + excerpt + "</p>");
        }
        if (o.showUrl && address !== "") {
            // Without a title the address is what the visitor clicks.
            out.push("<p class=\"fl-hit-url\"" + attr("style", o.urlStyle) + ">" +
                (o.showTitle ? F.escapeHtml(address) : link("fl-hit-link", href, ctx.links.hitTarget, "", F.escapeHtml(address))) +
                "</p>");
        }
        if (o.showInfo) {
            var words = [];
            var found = F.matchersFound(index, i, ctx.query, ctx.request.strategy);
            for (var k = 0; k < matchers.length; k++) if (found[k]) words.push(matchers[k].text);
            var textLength = index.text(i, F.TEXT).length;
            var info = words.join(", ") + (textLength ? " - " + sizeText(textLength) : "");
            out.push("<p class=\"fl-hit-info\"" + attr("style", o.infoStyle) + ">" + F.escapeHtml(info) + "</p>");
        }
        out.push("</li>");
        return out.join("");
    }

    function pagesHtml(ctx, info) {
        var s = ctx.strings, links = ctx.links;
        var target = links.target ? attr("target", links.target) : "";
        function address(page) {
            return attr("href", F.pageAddress(links.base, ctx.request, ctx.query.raw, page)) + target;
        }
        var out = ["<nav class=\"fl-pages\"" + attr("aria-label", s.resultPage) + ">"];
        out.push("<span class=\"fl-pages-label\">" + F.escapeHtml(s.resultPage) + ":</span>");
        if (info.page > 1) {
            out.push(" <a class=\"fl-prev\" rel=\"prev\"" + address(info.page - 1) + ">" + F.escapeHtml(s.previous) + "</a>");
        }
        for (var n = info.from; n <= info.to; n++) {
            out.push(n === info.page ? " <strong class=\"fl-page fl-current\" aria-current=\"page\">" + n + "</strong>" :
                " <a class=\"fl-page\"" + address(n) + ">" + n + "</a>");
        }
        if (info.page < info.pages) {
            out.push(" <a class=\"fl-next\" rel=\"next\"" + address(info.page + 1) + ">" + F.escapeHtml(s.next) + "</a>");
        }
        out.push("</nav>");
        return out.join("");
    }

    // The HTML that goes between the two halves of the template's result
    // page. ctx: { index, query, hits, request, options, strings, links,
    // canClose, suggestion } where links = { base, target, hitTarget, newSearch } tells
    // where result pages, hits and the new search live (they differ when the
    // results are shown in a frame), and canClose whether a "Close Window"
    // button can work in this window.
    function renderResults(ctx) {
        var o = ctx.options, s = ctx.strings, hits = ctx.hits;
        var info = pageInfo(hits.length, ctx.request.page);
        var rule = o.horizontalLines ? "<hr class=\"fl-rule\">" : "";
        var out = ["<div id=\"fl-results\" class=\"fl-results\">"];
        out.push("<p class=\"fl-summary\"><span class=\"fl-your-search\">" + F.escapeHtml(s.yourSearch) +
            " <strong class=\"fl-query\">" + F.escapeHtml(ctx.query.shown) + "</strong></span> " +
            "<span class=\"fl-count\">" + F.escapeHtml(s.find) + " " + hits.length + " " + F.escapeHtml(s.items) +
            "</span></p>");
        if (ctx.suggestion) out.push(F.suggestionHtml(ctx.suggestion, ctx.links.base, ctx.request, ctx.links.target));
        out.push(rule);
        if (hits.length) {
            out.push("<ol class=\"fl-hits\" start=\"" + (info.first + 1) + "\">");
            for (var k = info.first; k < info.last; k++) out.push(hitHtml(ctx, hits[k]));
            out.push("</ol>");
            if (info.pages > 1) out.push(pagesHtml(ctx, info));
            out.push(rule);
        }
        var actions = [];
        if (o.newSearchLink) {
            actions.push("<a class=\"fl-new-search\"" + attr("href", ctx.links.newSearch) +
                (ctx.links.target ? attr("target", ctx.links.target) : "") + ">" + F.escapeHtml(s.newSearch) + "</a>");
        }
        if (ctx.canClose) {
            actions.push("<button type=\"button\" class=\"fl-close\">" + F.escapeHtml(s.closeWindow) + "</button>");
        }
        if (actions.length) out.push("<p class=\"fl-actions\">" + actions.join(" ") + "</p>");
        if (o.poweredBy) {
            out.push("<p class=\"fl-powered\">Powered by <a" + attr("href", PRODUCT_PAGE) + ">Findlark</a></p>");
        }
        out.push("</div>");
        return out.join("");
    }

    // One whole search, from the request to the HTML of its result page.
    // env: { records, count, options, strings, links, canClose, waitForWords },
    // with records and count being webdata.js's arrFiles and fileNum. With
    // waitForWords, a suggestion that would first have to index the words
    // of a large site is left out (suggestionLater): the page answers at
    // once and offers it when the words are indexed.
    function searchPage(request, env) {
        var query = F.parseQuery(request.query, request.matching);
        var index = F.indexFor(env.records, env.count);
        var hits = F.search(index, query, request.strategy);
        var later = !!env.waitForWords && !wordsReady(index, request.strategy);
        var ctx = {
            index: index, query: query, hits: hits, request: request, options: env.options,
            suggestion: later ? null : F.suggestion(index, query, hits, request.strategy),
            strings: env.strings, links: env.links, canClose: !!env.canClose
        };
        return { html: renderResults(ctx), query: query, hits: hits, page: pageInfo(hits.length, request.page),
            suggestionLater: later };
    }

    function wordsReady(index, strategy) {
        var fields = F.fieldsFor(strategy);
        for (var f = 0; f < fields.length; f++) {
            if (!index.wordsReady(fields[f])) return false;
        }
        return true;
    }

    F.PAGE_SIZE = PAGE_SIZE;
    F.PRODUCT_PAGE = PRODUCT_PAGE;
    F.pageInfo = pageInfo;
    F.safeHref = safeHref;
    F.renderResults = renderResults;
    F.searchPage = searchPage;
})(Findlark);
