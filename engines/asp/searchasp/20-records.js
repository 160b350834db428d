// Findlark server-side search: the rows of the hits shown.
(function (F) {
    var NAMES = [];
    NAMES[F.LINK] = "FileName";
    NAMES[F.TITLE] = "Title";
    NAMES[F.TEXT] = "Text";
    NAMES[F.KEYWORDS] = "Keywords";
    NAMES[F.DESCRIPTION] = "Description";
    NAMES[F.LINK_DESCRIPTION] = "LinkDescription";
    var ALL_FIELDS = [F.LINK, F.TITLE, F.TEXT, F.KEYWORDS, F.DESCRIPTION, F.LINK_DESCRIPTION];

    function emptyRecord() {
        return ["", "", "", "", "", ""];
    }

    // Every field of the row (by its rowid), as webdata.js's arrFiles has
    // a record, for a hit that is shown.
    function wholeRecord(connection, row) {
        var columns = [];
        for (var f = 0; f < ALL_FIELDS.length; f++) columns.push(NAMES[ALL_FIELDS[f]]);
        var rows = F.server.rowsOf(connection, "SELECT " + columns.join(", ") +
            " FROM IndexData WHERE rowid = CAST(? AS INTEGER)", [String(row)]);
        var record = emptyRecord();
        if (rows.length) {
            for (var c = 0; c < ALL_FIELDS.length; c++) record[ALL_FIELDS[c]] = F.server.stored(rows[0][c]);
        }
        return record;
    }

    F.server.wholeRecord = wholeRecord;
})(Findlark);
