#include "store/field_catalogue.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick {

FieldDataArray ReadListColumns(SQLite::Database& db) {
    SQLite::Statement query(db,
                            "SELECT id, ShowName, Hint, FieldWidth, FieldType, Visible, QueryShow, "
                            "QueryType FROM DT_FieldList ORDER BY sequence, id");
    FieldDataArray fields;
    while (query.executeStep()) {
        FieldData field;
        field.id = query.getColumn(0).getInt64();
        field.fieldName = query.getColumn(1).getString();
        field.title = query.getColumn(2).getString();
        field.width = query.getColumn(3).getInt();
        field.typeText = query.getColumn(4).getString();
        field.visible = query.getColumn(5).getInt() != 0;
        field.selected = query.getColumn(6).getInt() != 0;
        field.queryType = query.getColumn(7).getInt();
        fields.push_back(std::move(field));
    }
    return fields;
}

std::vector<ChooserField> ReadChooserFields(SQLite::Database& db) {
    // The record state is a list column without a form page; it joins the cover's boxes, else
    // a save (which hides every row first) would hide it for good.
    SQLite::Statement query(
        db,
        "SELECT id, FieldName, Hint, max(PageID, 0) AS page, SheetName, visible "
        "FROM view_FieldList "
        "WHERE PageID >= 0 OR lower(FieldName) = 'recordstate' "
        "ORDER BY page, sequence");
    std::vector<ChooserField> fields;
    while (query.executeStep()) {
        ChooserField field;
        field.id = query.getColumn(0).getInt64();
        field.fieldName = query.getColumn(1).getString();
        field.hint = query.getColumn(2).getString();
        field.pageId = query.getColumn(3).getInt();
        field.sheetName = query.getColumn(4).getString();
        field.visible = query.getColumn(5).getInt() != 0;
        fields.push_back(std::move(field));
    }
    return fields;
}

void SaveVisibleFields(SQLite::Database& db, const std::vector<std::int64_t>& visibleIds) {
    SQLite::Transaction transaction(db);
    db.exec("UPDATE view_fieldlist SET visible = 0");
    SQLite::Statement show(db, "UPDATE view_fieldlist SET visible = 1 WHERE id = ?");
    for (const std::int64_t id : visibleIds) {
        show.bind(1, id);
        show.exec();
        show.reset();
    }
    transaction.commit();
}

}  // namespace tallwick
