/*
 * The library's life: DbsInitialize and DbsUninitialize.
 *
 * DbsInitialize reads one or two DBDef files into local record vectors (the second file's tables numbered after
 * the first's, and typed 3 so that loading treats them as optional), refuses to start twice, installs the
 * records as the catalogue lists, starts the core and builds every table and index from the lists.
 * DbsUninitialize stops the core and frees the lists; after it the library may be initialised again.
 *
 * A schema error leaves the library exactly as it was. Two refusals go beyond the bare sequence: a schema of
 * more than 128 tables is refused before anything is installed (the table counters that every table loop uses
 * must never exceed the table form), and a core that cannot start gives the freshly installed lists back, so
 * that a failed start leaves nothing behind. A build that fails after the core has started leaves the library
 * initialised with incomplete tables; DbsUninitialize is the way back.
 */
#include <exception>
#include <map>
#include <span>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "catalog/catalog_lists.h"
#include "core/core_state.h"
#include "runtime/trace_log.h"

namespace dbs::schema {

namespace {

// Core start-up followed by the building of every table and index from the catalogue lists.
bool DbsMakeAllRTable() {
    if (DbsCoreInit() == 0) {
        dbs::catalog::ReleaseLists();
        gwTableNum = 0;
        gwIdxNum = 0;
        return false;
    }
    return DbsInitSysManageTable() != 0;
}

uint8_t Initialize(const std::string& first, const std::string& second) {
    std::vector<TagSYSTABTuple> tables;
    std::vector<TagSYSCOLUMNTuple> columns;
    std::vector<TagSYSCONSCOLUMNTuple> keyColumns;
    std::vector<TagSYSCONSTRAINTSTuple> constraints;
    std::map<std::string, int> tableNumbers;

    if (!first.empty() &&
        DbsLoadDBDefXml(first, DBS_TABLE_TYPE_FIRST, tables, columns, keyColumns, constraints, tableNumbers) == 0) {
        DbsTraceLog("FILE %s, Line %d, DbsLoadDBDefXml %s Error, DBS Init Fail!", DBS_HERE, first.c_str());
        return 0;
    }
    if (!second.empty() &&
        DbsLoadDBDefXml(second, DBS_TABLE_TYPE_SECOND, tables, columns, keyColumns, constraints, tableNumbers) == 0) {
        DbsTraceLog("FILE %s, Line %d, DbsLoadDBDefXml %s Error, DBS Init Fail!", DBS_HERE, second.c_str());
        return 0;
    }
    if (gbDbsInit != 0) {
        DbsTraceLog("FILE %s, Line %d, DBS already Init!", DBS_HERE);
        return 0;
    }
    if (tables.size() > DBS_MAX_TABLES) {
        DbsTraceLog("FILE %s, Line %d, the schema holds %zu tables, more than %d, DBS Init Fail!", DBS_HERE,
                    tables.size(), DBS_MAX_TABLES);
        return 0;
    }
    if (!dbs::catalog::InstallFromLoader(tables, columns, keyColumns, constraints)) {
        DbsTraceLog("FILE %s, Line %d, the catalogue lists could not be allocated, DBS Init Fail!", DBS_HERE);
        return 0;
    }
    gwTableNum = static_cast<uint16_t>(tables.size());
    gwIdxNum = static_cast<uint16_t>(DBS_IDX_SLOTS * tables.size());
    if (!DbsMakeAllRTable()) {
        DbsTraceLog("FILE %s, Line %d, DbsMakeAllRTable Error, DBS Init Fail!", DBS_HERE);
        return 0;
    }
    return 1;
}

}  // namespace

}  // namespace dbs::schema

DBS_API uint8_t DbsInitialize(const std::string& strFirstXmlPath, const std::string& strSecondXmlPath) {
    try {
        return dbs::schema::Initialize(strFirstXmlPath, strSecondXmlPath);
    } catch (const std::exception& e) {
        // Only the local vectors can throw (memory exhausted); nothing global has changed by then.
        DbsTraceLog("FILE %s, Line %d, DbsInitialize: %s, DBS Init Fail!", DBS_HERE, e.what());
        return 0;
    }
}

extern "C" DBS_API uint8_t DbsUninitialize(void) {
    if (gbDbsInit == 0) {
        DbsTraceLog("FILE %s, Line %d, DBS is already in uninitialized state!", DBS_HERE);
        return 0;
    }
    uint8_t released = DbsCoreRelease();
    dbs::catalog::ReleaseLists();
    return released;
}
