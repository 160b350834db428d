// Findlark client-side search functions: the browser side.
//
// searchfunc.js runs these functions while the page is still being read, just
// before webdata.js, which searchfunc.js has document.write-n after itself.
// So the index exists only from DOMContentLoaded on; that is when a page whose
// address carries a query (search.html?q=...) is replaced by its result page:
// the template's result.html with the hits in place of its marker.
//
// How the results reach the visitor (OutPutWindowType):
//   0  the result page replaces the search page in its window;
//   1  the search form opens the result page in a window of its own, which
//      gets a "Close Window" button;
//   2  FrameSearch.html holds the search form and a results frame; the form
//      loads FrameSearch.html?q=... and the frame page hands its query to the
//      frame (search.html?q=...). Result pages in the frame link back to
//      FrameSearch.html in the whole window, so that the address bar always
//      holds the search and back and bookmarks work.
//
// Later searches. Reading webdata.js and preparing the index is by far the
// largest cost of a search on a big site, so once a page has done it, further
// searches are shown in that same page rather than by loading another:
//   0  the search and result forms, the page links and New Search change
//      the address with history.pushState and show the results in place;
//      Back and Forward (popstate) show the search of the address again;
//   1  the results window does the same for its own form and links; the
//      window that opened it sends it the further searches of its form by
//      postMessage (once the results window has said it is there);
//   2  the page in the results frame does the same, and FrameSearch.html
//      keeps the address: the two talk by postMessage (file: pages may not
//      script each other), see the templates' FrameSearch.html.
// Every address stays what a full load would have had, so opening it anew
// (a bookmark, a reload) shows the same page of results.
//
// Messages are objects { findlark: kind, search: "?q=..." }, kinds:
//   "ready"    a results window or frame can take searches (to its opener
//              or the frame page); "gone" when it is left;
//   "welcome"  the frame page's answer to "ready";
//   "search"   opener to results window: show this search as a new entry;
//   "show"     frame page to frame: show the search of this address;
//   "pushed"   frame to frame page: a new search is shown, add its address.
//
// Hooks for scripts and tests: the search field is the form field named "q"
// (id "q" in the built-in templates), the hits are li.fl-hit inside
// #fl-results, the page links are nav.fl-pages a.
(function (F) {
    "use strict";
    if (typeof window === "undefined" || typeof document === "undefined") return;

    var NEW_WINDOW = 1, FRAME = 2;
    var RESULTS_WINDOW = "findlark_results";
    var FRAME_PAGE = "FrameSearch.html";
    // Used only when searchfunc.js lacks the template's halves.
    var PLAIN_BEFORE = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" +
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>Search</title></head><body>";
    var PLAIN_AFTER = "</body></html>";
    var PAGE_LINK = /(^|\s)(fl-page|fl-prev|fl-next|fl-new-search)(\s|$)/;
    var OUR_SCRIPT = /(^|[\/\\])(searchfunc|webdata)\.js$/i;

    // What this window is showing and who it talks to.
    var page = {
        options: null,
        strings: null,
        shown: null,            // requestKey of what is shown: "" for the search page
        searchPage: null,       // the search page's markup, to show it again on Back
        resultsWindow: null,    // type 1: the results window this page opened ...
        resultsReady: false,    // ... and whether it takes searches by message
        parentReady: false      // type 2: the frame page above has answered
    };

    function framed() {
        try {
            return window.self !== window.top;
        } catch (e) {
            return true;
        }
    }

    function hasOpener() {
        try {
            return !!window.opener && !window.opener.closed;
        } catch (e) {
            return false;
        }
    }

    function post(target, kind, search) {
        try {
            var message = { findlark: kind };
            if (search !== undefined) message.search = search;
            // Pages from file: have no origin to name.
            target.postMessage(message, "*");
            return true;
        } catch (e) {
            return false;
        }
    }

    function isResultsWindow() {
        return window.name === RESULTS_WINDOW;
    }

    function linksFor(options) {
        if (options.windowType === FRAME && framed()) {
            return { base: FRAME_PAGE, target: "_top", hitTarget: "_top", newSearch: FRAME_PAGE };
        }
        return { base: options.searchFileName, target: null, hitTarget: null, newSearch: options.searchFileName };
    }

    function thisPath() {
        return F.addressPath(window.location.href);
    }

    function requestOf(search) {
        return F.requestFrom(F.parseParams(search), page.options);
    }

    function setChoice(form, name, value) {
        var field = form.elements.namedItem(name);
        if (!field) return;
        if (field.type === "radio") field.checked = field.value === String(value);
        else field.value = String(value);
    }

    // The query part ("?q=...") a GET submission of the form would load.
    function formSearch(form) {
        var parts = [];
        for (var k = 0; k < form.elements.length; k++) {
            var field = form.elements[k];
            var type = field.type;
            if (!field.name || field.disabled || /^(submit|button|reset|image|file)$/.test(type)) continue;
            if ((type === "checkbox" || type === "radio") && !field.checked) continue;
            parts.push(encodeURIComponent(field.name) + "=" +
                encodeURIComponent(F.wellFormed(String(field.value))).replace(/%20/g, "+"));
        }
        return "?" + parts.join("&");
    }

    function formAddress(form) {
        var action = (form.getAttribute("action") || "").split("?")[0] || page.options.searchFileName;
        return action + formSearch(form);
    }

    // A form whose plain submission would load this same page again.
    function submitsHere(form) {
        var target = form.getAttribute("target");
        var method = (form.getAttribute("method") || "get").toLowerCase();
        return method === "get" && (!target || target === "_self") && F.addressPath(form.action) === thisPath();
    }

    // How this window shows a further search, if it can without a page load:
    //   "self"   in place, keeping the address with pushState;
    //   "frame"  in place, the frame page above keeping the address;
    //   null     not: the form or link loads a page as usual.
    function inPlaceMode() {
        var type = page.options.windowType;
        if (type === FRAME) return framed() && page.parentReady ? "frame" : null;
        if (!window.history || typeof window.history.pushState !== "function") return null;
        if (type === NEW_WINDOW && !isResultsWindow()) return null;
        return "self";
    }

    // Fills the search forms with the search shown (or the options'
    // strategies) and makes them search the way this window does.
    function prepareForms(request) {
        for (var k = 0; k < document.forms.length; k++) {
            var form = document.forms[k];
            var q = form.elements.namedItem("q");
            if (!q) continue;
            if (!form.findlarkReady) {
                form.findlarkReady = true;
                if (page.options.windowType === FRAME) {
                    form.setAttribute("action", FRAME_PAGE);
                    form.setAttribute("target", "_top");
                }
                form.addEventListener("submit", onSubmit, false);
            }
            if (request.hasQuery && "value" in q) q.value = request.query;
            setChoice(form, "m", request.matching);
            setChoice(form, "s", request.strategy);
        }
    }

    function runSearch(request) {
        /* arrFiles and fileNum come from webdata.js. */
        return F.searchPage(request, {
            records: typeof arrFiles === "undefined" ? null : arrFiles,
            count: typeof fileNum === "undefined" ? undefined : fileNum,
            options: page.options,
            strings: page.strings,
            links: linksFor(page.options),
            canClose: page.options.windowType === NEW_WINDOW && hasOpener(),
            waitForWords: true
        });
    }

    // A suggestion left out because the words were not indexed yet is
    // offered once they are, if the same search still shows.
    function offerSuggestionLater(request, result) {
        if (!result.suggestionLater) return;
        var key = F.requestKey(request);
        prepareWhileIdle(F.fieldsFor(request.strategy), function () {
            if (page.shown !== key) return;
            var now = runSearch(request);
            var old = document.getElementById("fl-results");
            if (old && !now.suggestionLater && now.html.indexOf("fl-suggestion") >= 0) {
                old.outerHTML = now.html;
                prepareForms(request);
            }
        });
    }

    // Runs fn once the document just written has been read: the template
    // may hold scripts that keep its parser busy.
    function whenParsed(fn) {
        if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", fn, false);
        else fn();
    }

    // Replaces the whole document. document.open drops every listener of
    // the document and the window, so they are added again.
    function writeDocument(html, then) {
        document.open();
        document.write(html);
        document.close();
        listen();
        whenParsed(then);
    }

    // The template's result page with the results of the request.
    function writeResultPage(request) {
        var result = runSearch(request);
        var before = typeof PreSearResultHTML === "string" ? PreSearResultHTML : PLAIN_BEFORE;
        var after = typeof StepSearResultHTML === "string" ? StepSearResultHTML : PLAIN_AFTER;
        page.shown = F.requestKey(request);
        // The field shows what was searched for: an over-long query was cut.
        request.query = result.query.raw;
        writeDocument(before + result.html + after, function () {
            prepareForms(request);
            if (page.options.windowType === FRAME && framed()) document.documentElement.className += " fl-framed";
            offerSuggestionLater(request, result);
        });
    }

    function showResults(request) {
        var old = document.getElementById("fl-results");
        if (!old || page.shown === "" || page.shown === null) {
            writeResultPage(request);
            return;
        }
        var result = runSearch(request);
        page.shown = F.requestKey(request);
        request.query = result.query.raw;
        old.outerHTML = result.html;
        prepareForms(request);
        offerSuggestionLater(request, result);
    }

    // The search page as it was first read, without the scripts that load
    // the search functions and the index (they live on in this window).
    function searchPageMarkup() {
        var root = document.documentElement.cloneNode(true);
        var scripts = root.getElementsByTagName("script");
        for (var k = scripts.length - 1; k >= 0; k--) {
            if (OUR_SCRIPT.test(scripts[k].getAttribute("src") || "")) scripts[k].parentNode.removeChild(scripts[k]);
        }
        var type = document.doctype;
        var doctype = "";
        if (type) {
            doctype = "<!DOCTYPE " + type.name +
                (type.publicId ? " PUBLIC \"" + type.publicId + "\"" : "") +
                (type.systemId ? (type.publicId ? "" : " SYSTEM") + " \"" + type.systemId + "\"" : "") + ">";
        }
        return doctype + root.outerHTML;
    }

    function showSearchPage() {
        if (page.shown === "") return;
        if (page.searchPage === null) {
            window.location.reload();
            return;
        }
        page.shown = "";
        var request = requestOf("");
        writeDocument(page.searchPage, function () {
            prepareForms(request);
            focusSearchField();
        });
    }

    function show(request) {
        if (request.hasQuery) showResults(request);
        else showSearchPage();
    }

    // A new search (or page of results) asked for in this window. False
    // when the address cannot be kept (a browser that refuses pushState
    // here): the caller then lets the form or link load the page. Its
    // default action is also what remains should showing fail halfway, as
    // the caller cancels it only after this returns.
    function navigate(search, mode) {
        var request = requestOf(search);
        var address = thisPath() + search;
        try {
            if (mode === "frame" || address === window.location.href) window.history.replaceState(null, "", address);
            else window.history.pushState(null, "", address);
        } catch (e) {
            return false;
        }
        show(request);
        // The frame page keeps the address of what the frame shows.
        if (mode === "frame") post(window.parent, "pushed", search);
        window.scrollTo(0, 0);
        return true;
    }

    function openResultsWindow(event, address) {
        var results = null;
        try {
            results = window.open(address, RESULTS_WINDOW);
        } catch (e) {
            results = null;
        }
        // A blocked pop-up leaves the form to submit in this window.
        if (results) {
            event.preventDefault();
            page.resultsWindow = results;
            page.resultsReady = false;
            try {
                results.focus();
            } catch (e2) {
                // Focus is a nicety.
            }
        }
    }

    function onSubmit(event) {
        if (event.defaultPrevented) return;
        var form = event.currentTarget;
        var mode = inPlaceMode();
        if (mode === "frame" || (mode === "self" && submitsHere(form))) {
            if (navigate(formSearch(form), mode)) event.preventDefault();
            return;
        }
        if (page.options.windowType !== NEW_WINDOW || isResultsWindow()) return;
        var results = page.resultsWindow;
        if (results && !results.closed && page.resultsReady && post(results, "search", formSearch(form))) {
            event.preventDefault();
            try {
                results.focus();
            } catch (e) {
                // Focus is a nicety.
            }
            return;
        }
        openResultsWindow(event, formAddress(form));
    }

    function linkAround(node) {
        for (; node && node !== document; node = node.parentNode) {
            if (node.nodeName === "A" || node.nodeName === "a") return node;
        }
        return null;
    }

    function onClick(event) {
        var target = event.target;
        if (target && target.nodeType === 1 && /(^|\s)fl-close(\s|$)/.test(target.className)) {
            window.close();
            return;
        }
        // Clicks that open a tab or a window, or a menu, are the browser's.
        if (event.defaultPrevented || event.button !== 0 || event.ctrlKey || event.shiftKey || event.altKey ||
            event.metaKey) return;
        var link = linkAround(target);
        if (!link || !PAGE_LINK.test(link.className || "") || !link.href) return;
        var mode = inPlaceMode();
        var search = F.addressSearch(link.href);
        if (mode === "self") {
            var into = link.getAttribute("target");
            if ((into && into !== "_self") || F.addressPath(link.href) !== thisPath()) return;
            if (!requestOf(search).hasQuery && page.searchPage === null) return;
        } else if (mode !== "frame" || !requestOf(search).hasQuery) {
            // New Search from the frame loads the bare frame page.
            return;
        }
        if (navigate(search, mode)) event.preventDefault();
    }

    function onPopState() {
        if (inPlaceMode() !== "self") return;
        var request = requestOf(window.location.search);
        // Also reached by links to a fragment (#main): nothing to change.
        if (F.requestKey(request) === page.shown) return;
        show(request);
    }

    function validSearch(data) {
        return typeof data.search === "string" && (data.search === "" || data.search.charAt(0) === "?");
    }

    function onMessage(event) {
        var data = event.data;
        if (!data || typeof data !== "object" || typeof data.findlark !== "string") return;
        var kind = data.findlark;
        if (framed() && event.source === window.parent && page.options.windowType === FRAME) {
            if (kind === "welcome") page.parentReady = true;
            else if (kind === "show" && page.parentReady && validSearch(data)) {
                var request = requestOf(data.search);
                if (request.hasQuery && F.requestKey(request) !== page.shown) {
                    show(request);
                    window.history.replaceState(null, "", thisPath() + data.search);
                }
            }
        } else if (page.resultsWindow && event.source === page.resultsWindow) {
            if (kind === "ready") page.resultsReady = true;
            else if (kind === "gone") page.resultsReady = false;
        } else if (page.resultsWindow && event.source === null && kind === "gone") {
            // Sent while leaving: by the time it arrives its sender has no
            // window to name. Believing it costs at most one page load.
            page.resultsReady = false;
        } else if (isResultsWindow() && hasOpener() && event.source === window.opener) {
            if (kind === "search" && validSearch(data) && inPlaceMode() === "self") navigate(data.search, "self");
        }
    }

    // Tells the opener (type 1) or the frame page (type 2) whether this
    // page takes searches by message.
    function announce(kind) {
        if (page.options.windowType === NEW_WINDOW && isResultsWindow() && hasOpener()) post(window.opener, kind);
        else if (page.options.windowType === FRAME && framed()) post(window.parent, kind);
    }

    function onPageHide() {
        announce("gone");
    }

    function onPageShow(event) {
        // Back in a page kept in the browser's cache.
        if (event.persisted) announce("ready");
    }

    // The same function is added once however often this runs.
    function listen() {
        window.addEventListener("popstate", onPopState, false);
        window.addEventListener("message", onMessage, false);
        window.addEventListener("pagehide", onPageHide, false);
        window.addEventListener("pageshow", onPageShow, false);
        document.addEventListener("click", onClick, false);
    }

    // The search page puts the visitor in its search field. Not with the
    // autofocus attribute: the same page is the results frame, where browsers
    // refuse (and report) autofocus.
    function focusSearchField() {
        if (framed() || (document.activeElement && document.activeElement !== document.body)) return;
        for (var k = 0; k < document.forms.length; k++) {
            var q = document.forms[k].elements.namedItem("q");
            if (q && typeof q.focus === "function") {
                q.focus();
                return;
            }
        }
    }

    // While the visitor reads the search page and types, the index is made
    // ready for the search it will most likely get (the fields of the
    // default strategy, or all of them when the page offers a choice):
    // folded, then indexed by word, then the titles read for the ranking,
    // in slices short enough to keep the page
    // responsive. A search that comes first reads the records not yet
    // folded as they are; the word index takes over once it is complete.
    var SLICE_MS = 12;
    // Records per step: one step must stay short even where a page is
    // hundreds of kilobytes long.
    var SLICE_RECORDS = 2;
    var SLICE_TITLES = 64;

    // Prepares the given fields (by default those the search page will
    // most likely search), then calls done, if given.
    function prepareWhileIdle(fields, done) {
        if (typeof arrFiles === "undefined") return;
        var index = F.indexFor(arrFiles, typeof fileNum === "undefined" ? undefined : fileNum);
        if (!fields) {
            var offersChoice = false;
            for (var k = 0; k < document.forms.length; k++) {
                if (document.forms[k].elements.namedItem("s")) offersChoice = true;
            }
            fields = F.fieldsFor(offersChoice ? F.SEARCH_ALL : page.options.strategy);
        }
        var next = 0, titlesDone = false;
        function slice() {
            var until = new Date().getTime() + SLICE_MS;
            while (next < fields.length && new Date().getTime() < until) {
                if (index.prepareWords(fields[next], SLICE_RECORDS)) next++;
            }
            // Then what the ranking reads of every title.
            while (next >= fields.length && !titlesDone && new Date().getTime() < until) {
                titlesDone = F.prepareTitles(index, SLICE_TITLES);
            }
            if (!titlesDone) window.setTimeout(slice, 0);
            else if (done) done();
        }
        window.setTimeout(slice, 0);
    }

    function start() {
        page.options = F.readOptions();
        page.strings = F.readStrings();
        var request = requestOf(window.location.search);
        // Forms above this script can take the visitor's input at once.
        prepareForms(request);
        if (!request.hasQuery) focusSearchField();
        listen();
        function ready() {
            if (request.hasQuery) {
                writeResultPage(request);
            } else {
                prepareForms(request);
                page.shown = "";
                page.searchPage = searchPageMarkup();
                prepareWhileIdle();
            }
            announce("ready");
        }
        whenParsed(ready);
    }

    F.start = start;
    start();
})(Findlark);
