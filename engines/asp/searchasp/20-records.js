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

    // Every field of the rows (by their rowids), as webdata.js's arrFiles
    // has a record, for the hits that are shown: in one statement, the
    // rowids being numbers the page read from its own index.
    function wholeRecords(connection, rowids) {
        var records = [], at = {}, numbers = [], k;
        for (k = 0; k < rowids.length; k++) {
            records.push(emptyRecord());
            // Only whole numbers go into the statement, whatever the file holds.
            var rowid = parseInt(rowids[k], 10);
            if (isNaN(rowid)) continue;
            at["#" + rowid] = k;
            numbers.push(rowid);
        }
        if (!numbers.length) return records;
        var columns = ["CAST(rowid AS TEXT)"];
        for (var f = 0; f < ALL_FIELDS.length; f++) columns.push(NAMES[ALL_FIELDS[f]]);
        var rows = F.server.rowsOf(connection, "SELECT " + columns.join(", ") + " FROM IndexData WHERE rowid IN (" +
            numbers.join(",") + ")", []);
        for (var r = 0; r < rows.length; r++) {
            var place = at["#" + rows[r][0]];
            if (place === undefined) continue;
            for (var c = 0; c < ALL_FIELDS.length; c++) records[place][ALL_FIELDS[c]] = F.server.stored(rows[r][c + 1]);
        }
        return records;
    }

    F.server.wholeRecords = wholeRecords;
})(Findlark);
