// Findlark client-side search functions: the options and texts that
// searchfunc.js sets before these functions run.
(function (F) {
    "use strict";

    // The generated script defines these as globals. typeof keeps a missing
    // one (a hand-edited or partial file) from throwing.
    function readGlobals() {
        return {
            MatchingStrategy: typeof MatchingStrategy === "undefined" ? undefined : MatchingStrategy,
            SearchStrategy: typeof SearchStrategy === "undefined" ? undefined : SearchStrategy,
            OutPutWindowType: typeof OutPutWindowType === "undefined" ? undefined : OutPutWindowType,
            OutPutResultTitle: typeof OutPutResultTitle === "undefined" ? undefined : OutPutResultTitle,
            OutPutResultText: typeof OutPutResultText === "undefined" ? undefined : OutPutResultText,
            OutPutResultUrl: typeof OutPutResultUrl === "undefined" ? undefined : OutPutResultUrl,
            OutPutResultInfo: typeof OutPutResultInfo === "undefined" ? undefined : OutPutResultInfo,
            NoNewSearchLink: typeof NoNewSearchLink === "undefined" ? undefined : NoNewSearchLink,
            NoHorizLine: typeof NoHorizLine === "undefined" ? undefined : NoHorizLine,
            NoPoweredBy: typeof NoPoweredBy === "undefined" ? undefined : NoPoweredBy,
            ResultTitleSize: typeof ResultTitleSize === "undefined" ? undefined : ResultTitleSize,
            ResultTitleFace: typeof ResultTitleFace === "undefined" ? undefined : ResultTitleFace,
            ResultTitleColor: typeof ResultTitleColor === "undefined" ? undefined : ResultTitleColor,
            ResultTextSize: typeof ResultTextSize === "undefined" ? undefined : ResultTextSize,
            ResultTextFace: typeof ResultTextFace === "undefined" ? undefined : ResultTextFace,
            ResultTextColor: typeof ResultTextColor === "undefined" ? undefined : ResultTextColor,
            ResultUrlSize: typeof ResultUrlSize === "undefined" ? undefined : ResultUrlSize,
            ResultUrlFace: typeof ResultUrlFace === "undefined" ? undefined : ResultUrlFace,
            ResultUrlColor: typeof ResultUrlColor === "undefined" ? undefined : ResultUrlColor,
            ResultInfoSize: typeof ResultInfoSize === "undefined" ? undefined : ResultInfoSize,
            ResultInfoFace: typeof ResultInfoFace === "undefined" ? undefined : ResultInfoFace,
            ResultInfoColor: typeof ResultInfoColor === "undefined" ? undefined : ResultInfoColor,
            HitTitleColor: typeof HitTitleColor === "undefined" ? undefined : HitTitleColor,
            HitTextColor: typeof HitTextColor === "undefined" ? undefined : HitTextColor,
            SearchFileName: typeof SearchFileName === "undefined" ? undefined : SearchFileName,
            StrYourSearch: typeof StrYourSearch === "undefined" ? undefined : StrYourSearch,
            StrNewSearch: typeof StrNewSearch === "undefined" ? undefined : StrNewSearch,
            StrCloseWindow: typeof StrCloseWindow === "undefined" ? undefined : StrCloseWindow,
            StrFind: typeof StrFind === "undefined" ? undefined : StrFind,
            StrItems: typeof StrItems === "undefined" ? undefined : StrItems,
            strResultPage: typeof strResultPage === "undefined" ? undefined : strResultPage,
            strPrevious: typeof strPrevious === "undefined" ? undefined : strPrevious,
            strNext: typeof strNext === "undefined" ? undefined : strNext
        };
    }

    function integer(value, fallback, min, max) {
        var n = typeof value === "number" ? value :
            (typeof value === "string" && /^-?\d{1,9}$/.test(F.trimBlanks(value)) ? parseInt(F.trimBlanks(value), 10) : NaN);
        return n >= min && n <= max ? Math.floor(n) : fallback;
    }

    function flag(value, fallback) {
        if (typeof value === "number") return value !== 0;
        if (typeof value === "string" && /^-?\d+$/.test(F.trimBlanks(value))) return parseInt(F.trimBlanks(value), 10) !== 0;
        if (typeof value === "boolean") return value;
        return fallback;
    }

    function color(value, fallback) {
        return typeof value === "string" && /^#(?:[0-9a-fA-F]{3}){1,2}$/.test(value) ? value.toLowerCase() : fallback;
    }

    // The font sizes 1 to 7 of the options are the old HTML font sizes.
    var CSS_SIZES = ["x-small", "small", "medium", "large", "x-large", "xx-large", "3rem"];
    var GENERIC_FAMILIES = { serif: 1, "sans-serif": 1, monospace: 1, cursive: 1, fantasy: 1, "system-ui": 1 };

    // A face list such as "Verdana, Arial" as a CSS font-family value. Every
    // character that could end the declaration or the attribute is dropped,
    // each name is quoted, and a generic family is added as the last resort.
    function fontFamily(value, fallback) {
        var names = String(value == null ? "" : value).split(",");
        var out = [];
        var generic = false;
        for (var k = 0; k < names.length; k++) {
            var name = F.trimBlanks(names[k].replace(/[\u0000-\u001F"'`;:{}()<>\\\/!@#$%^&*=+|?\[\]~]/g, ""));
            if (name === "") continue;
            if (GENERIC_FAMILIES.hasOwnProperty(name.toLowerCase())) {
                out.push(name.toLowerCase());
                generic = true;
            } else {
                out.push("\"" + name + "\"");
            }
        }
        if (!out.length) return fallback;
        if (!generic) out.push("sans-serif");
        return out.join(", ");
    }

    function look(size, face, colorValue, defaults) {
        var n = integer(size, defaults[0], 1, 7);
        return "font-family:" + fontFamily(face, "sans-serif") + ";font-size:" + CSS_SIZES[n - 1] +
            ";color:" + color(colorValue, defaults[1]);
    }

    // Turns the generator's variables (see readGlobals) into the options the
    // search and the rendering use. Anything missing or malformed takes the
    // program's default.
    function normalizeOptions(g) {
        g = g || {};
        return {
            matching: integer(g.MatchingStrategy, 0, 0, 2),
            strategy: integer(g.SearchStrategy, 0, 0, 3),
            windowType: integer(g.OutPutWindowType, 0, 0, 2),
            showTitle: flag(g.OutPutResultTitle, true),
            showText: flag(g.OutPutResultText, true),
            showUrl: flag(g.OutPutResultUrl, true),
            showInfo: flag(g.OutPutResultInfo, true),
            newSearchLink: !flag(g.NoNewSearchLink, false),
            horizontalLines: !flag(g.NoHorizLine, false),
            poweredBy: !flag(g.NoPoweredBy, false),
            titleStyle: look(g.ResultTitleSize, g.ResultTitleFace, g.ResultTitleColor, [3, "#0000ff"]),
            textStyle: look(g.ResultTextSize, g.ResultTextFace, g.ResultTextColor, [2, "#000000"]),
            urlStyle: look(g.ResultUrlSize, g.ResultUrlFace, g.ResultUrlColor, [2, "#008000"]),
            infoStyle: look(g.ResultInfoSize, g.ResultInfoFace, g.ResultInfoColor, [2, "#000000"]),
            hitTitleColor: color(g.HitTitleColor, "#cc0033"),
            hitTextColor: color(g.HitTextColor, "#cc0033"),
            searchFileName: typeof g.SearchFileName === "string" && g.SearchFileName !== "" ?
                g.SearchFileName : "search.html"
        };
    }

    function text(value, fallback) {
        // A translator may have written references (R&eacute;sultat); the
        // texts are shown like index text: decoded, then escaped.
        return typeof value === "string" || typeof value === "number" ? F.shownText(value) : fallback;
    }

    function normalizeStrings(g) {
        g = g || {};
        return {
            yourSearch: text(g.StrYourSearch, "Your search:"),
            newSearch: text(g.StrNewSearch, "New Search"),
            closeWindow: text(g.StrCloseWindow, "Close Window"),
            find: text(g.StrFind, "Find"),
            items: text(g.StrItems, "items"),
            resultPage: text(g.strResultPage, "Result Page"),
            previous: text(g.strPrevious, "Previous"),
            next: text(g.strNext, "Next")
        };
    }

    F.readGlobals = readGlobals;
    F.normalizeOptions = normalizeOptions;
    F.normalizeStrings = normalizeStrings;
    F.readOptions = function () { return normalizeOptions(readGlobals()); };
    F.readStrings = function () { return normalizeStrings(readGlobals()); };
})(Findlark);
