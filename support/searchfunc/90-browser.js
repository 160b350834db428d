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

    function linksFor(options) {
        if (options.windowType === FRAME && framed()) {
            return { base: FRAME_PAGE, target: "_top", hitTarget: "_top", newSearch: FRAME_PAGE };
        }
        return { base: options.searchFileName, target: null, hitTarget: null, newSearch: options.searchFileName };
    }

    function setChoice(form, name, value) {
        var field = form.elements.namedItem(name);
        if (!field) return;
        if (field.type === "radio") field.checked = field.value === String(value);
        else field.value = String(value);
    }

    // The address a GET submission of the form would load.
    function formAddress(form) {
        var parts = [];
        for (var k = 0; k < form.elements.length; k++) {
            var field = form.elements[k];
            var type = field.type;
            if (!field.name || field.disabled || /^(submit|button|reset|image|file)$/.test(type)) continue;
            if ((type === "checkbox" || type === "radio") && !field.checked) continue;
            parts.push(encodeURIComponent(field.name) + "=" +
                encodeURIComponent(F.wellFormed(String(field.value))).replace(/%20/g, "+"));
        }
        var action = (form.getAttribute("action") || "").split("?")[0] || F.readOptions().searchFileName;
        return action + "?" + parts.join("&");
    }

    function openResultsWindow(event) {
        var results = null;
        try {
            results = window.open(formAddress(event.currentTarget), RESULTS_WINDOW);
        } catch (e) {
            results = null;
        }
        // A blocked pop-up leaves the form to submit in this window.
        if (results) {
            event.preventDefault();
            try {
                results.focus();
            } catch (e2) {
                // Focus is a nicety.
            }
        }
    }

    // Fills the search forms of the page with the search in the address (or
    // the options' strategies) and points them where the results belong. Safe
    // to call again for forms added later.
    function prepareForms(doc, request, options) {
        for (var k = 0; k < doc.forms.length; k++) {
            var form = doc.forms[k];
            if (!form.elements.namedItem("q") || form.findlarkReady) continue;
            form.findlarkReady = true;
            var q = form.elements.namedItem("q");
            if (request.hasQuery && "value" in q) q.value = request.query;
            setChoice(form, "m", request.matching);
            setChoice(form, "s", request.strategy);
            if (options.windowType === FRAME) {
                form.setAttribute("action", FRAME_PAGE);
                form.setAttribute("target", "_top");
            } else if (options.windowType === NEW_WINDOW) {
                form.addEventListener("submit", openResultsWindow, false);
            }
        }
    }

    function prepareResultPage(request, options) {
        prepareForms(document, request, options);
        var buttons = document.querySelectorAll(".fl-close");
        for (var k = 0; k < buttons.length; k++) {
            buttons[k].addEventListener("click", function () { window.close(); }, false);
        }
        if (options.windowType === FRAME && framed()) document.documentElement.className += " fl-framed";
    }

    function showResults(request, options, strings) {
        /* arrFiles and fileNum come from webdata.js, the halves from searchfunc.js. */
        var result = F.searchPage(request, {
            records: typeof arrFiles === "undefined" ? null : arrFiles,
            count: typeof fileNum === "undefined" ? undefined : fileNum,
            options: options,
            strings: strings,
            links: linksFor(options),
            canClose: options.windowType === NEW_WINDOW && hasOpener()
        });
        var before = typeof PreSearResultHTML === "string" ? PreSearResultHTML : PLAIN_BEFORE;
        var after = typeof StepSearResultHTML === "string" ? StepSearResultHTML : PLAIN_AFTER;
        document.open();
        document.write(before + result.html + after);
        document.close();
        // The field shows what was searched for: an over-long query was cut.
        request.query = result.query.raw;
        // The template may hold scripts that keep its parser busy.
        if (document.readyState === "loading") {
            document.addEventListener("DOMContentLoaded", function () { prepareResultPage(request, options); }, false);
        } else {
            prepareResultPage(request, options);
        }
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

    function start() {
        var options = F.readOptions();
        var strings = F.readStrings();
        var request = F.requestFrom(F.parseParams(window.location.search), options);
        // Forms above this script can take the visitor's input at once.
        prepareForms(document, request, options);
        if (!request.hasQuery) focusSearchField();
        function ready() {
            if (request.hasQuery) showResults(request, options, strings);
            else prepareForms(document, request, options);
        }
        if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", ready, false);
        else ready();
    }

    F.start = start;
    start();
})(Findlark);
