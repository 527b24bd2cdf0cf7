// minimal_host: the smallest useful host of the library. It builds the store from the example shop schema,
// loads the table files of a data directory (when there are any), adds a customer through the checked insert,
// and runs one SQL query, printing its record set.
//
//   minimal_host SCHEMA.xml DATA_DIR/
#include <cstdio>
#include <cstring>

#include <dbs/dbs.h>

#pragma pack(push, 1)
struct Customer {          // the record of table Customer, fields in schema order
    uint32_t custId;       // CustId DWORD
    char name[24];         // Name   CHAR(24)
    char city[16];         // City   CHAR(16)
    uint8_t level;         // Level  BYTE, checked to lie in 1-5
};
#pragma pack(pop)

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: minimal_host SCHEMA.xml DATA_DIR/\n");
        return 2;
    }
    DbsSetDataPath(argv[2]);                     // before DbsInitialize: table files live below it
    if (!DbsInitialize(argv[1], "")) return 1;   // one schema file, no optional tables
    DbsLoadData();                               // fills every table from DATA_DIR/temp/NAME.QDB

    uint32_t hCustomer = DbsGetTableHandle("Customer");
    Customer c{};
    c.custId = 9001;
    std::strcpy(c.name, "Ada Example");
    std::strcpy(c.city, "Lisbon");
    c.level = 3;
    // Checked operations write secondary memory; swapping publishes it as main memory.
    if (DbsSysInsertTabTuple(hCustomer, &c)) {
        DbsChangeOverAddr();
        DbsAllCopyData();                        // keep the working copy equal to the published data
    }

    hSqlParser parser = SQLCreate();
    TagSqlRst* rst = nullptr;
    if (SQLExecute(parser, "SELECT CustId, Name FROM Customer WHERE City = 'Lisbon'", &rst) == 0) {
        for (int r = RstMoveFirst(rst); r == DBS_SQL_OK; r = RstMoveNext(rst)) {
            TagSqlValue id{}, name{};
            RstGetFieldValue(rst, 0, &id);       // 'D' columns arrive as DB_ULONG
            RstGetFieldValue(rst, 1, &name);     // 'C' columns as DB_STRING, pointing into the row
            std::printf("%u  %.*s\n", static_cast<unsigned>(id.ulULong), static_cast<int>(name.dwLength),
                        static_cast<const char*>(name.pData));
        }
        RstDestroy(rst);
    }
    SQLDestory(parser);
    DbsUninitialize();
    return 0;
}
