// The record-set calls: moving over the rows of a SELECT or EXISTS result and reading its columns, and
// GetTypeWidth. A record set belongs to the host from SQLExecute to RstDestroy and refers to nothing else, so it
// outlives later statements and the parser context. A refused call changes nothing.
#include <cstring>

#include "runtime/trace_log.h"
#include "sql/sql_value.h"

namespace {

// The record set behind a handle, or null after writing the invalid-handle line.
const TagSqlRecordset* Result(const TagSqlRst* ptRst, int line) {
    if (ptRst == nullptr || ptRst->ptResult == nullptr) {
        DbsTraceLog("[File:%s Line%d] SQL Recordset Handle is Invalid!", DbsSourceName(__FILE__), line);
        return nullptr;
    }
    return ptRst->ptResult;
}

#define DBS_RESULT(rst) Result((rst), __LINE__)

bool NoRows(const TagSqlRecordset* rs) {
    if (rs->iRowNum > 0) return false;
    DbsTraceLog("[File:%s Line%d] The Record num of SQL Recordset is 0!", DBS_HERE);
    return true;
}

bool BadIndex(const TagSqlRecordset* rs, int iFieldIndex) {
    if (iFieldIndex >= 0 && iFieldIndex < rs->iFieldNum && iFieldIndex < DBS_SQL_MAX_FIELDS) return false;
    DbsTraceLog("[File:%s Line%d] Param iFieldIndex is Invalid!", DBS_HERE);
    return true;
}

}  // namespace

extern "C" {

DBS_API int RstMoveFirst(TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (NoRows(rs)) return DBS_SQL_BOF;
    ptRst->iCurRow = 0;
    return DBS_SQL_OK;
}

DBS_API int RstMoveNext(TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (NoRows(rs)) return DBS_SQL_EOF;
    if (ptRst->iCurRow >= rs->iRowNum) {
        DbsTraceLog("[File:%s Line%d] The Current Record Pos is EOF!", DBS_HERE);
        return DBS_SQL_EOF;
    }
    ++ptRst->iCurRow;
    return DBS_SQL_OK;
}

DBS_API int RstMovePrev(TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (NoRows(rs)) return DBS_SQL_BOF;
    if (ptRst->iCurRow <= -1) {
        DbsTraceLog("[File:%s Line%d] The Current Record Pos is BOF!", DBS_HERE);
        return DBS_SQL_BOF;
    }
    --ptRst->iCurRow;
    return DBS_SQL_OK;
}

DBS_API int RstMoveLast(TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (NoRows(rs)) return DBS_SQL_EOF;
    ptRst->iCurRow = rs->iRowNum - 1;
    return DBS_SQL_OK;
}

DBS_API int IsBOF(const TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return 1;
    return (rs->iRowNum <= 0 || ptRst->iCurRow == -1) ? 1 : 0;
}

DBS_API int IsEOF(const TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return 1;
    return (rs->iRowNum <= 0 || ptRst->iCurRow == rs->iRowNum) ? 1 : 0;
}

DBS_API int RstGetRecordNum(const TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    return rs == nullptr ? DBS_SQL_FAIL : rs->iRowNum;
}

DBS_API int RstGetFieldNum(const TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    return rs == nullptr ? DBS_SQL_FAIL : rs->iFieldNum;
}

DBS_API int RstGetTableNum(const TagSqlRst* ptRst) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    int n = 0;
    for (int i = 0; i < rs->iFieldNum && i < DBS_SQL_MAX_FIELDS; ++i) {
        if (rs->atField[i].iTableIndex + 1 > n) n = rs->atField[i].iTableIndex + 1;
    }
    return n;
}

DBS_API int RstGetFieldType(const TagSqlRst* ptRst, int iFieldIndex) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (BadIndex(rs, iFieldIndex)) return DBS_RST_BAD_FIELD_INDEX;
    return rs->atField[iFieldIndex].iFieldType;
}

DBS_API int RstGetFieldLen(const TagSqlRst* ptRst, int iFieldIndex) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr || BadIndex(rs, iFieldIndex)) return 0;
    return rs->atField[iFieldIndex].iFieldLen;
}

DBS_API const char* RstGetFieldName(const TagSqlRst* ptRst, int iFieldIndex) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr || BadIndex(rs, iFieldIndex)) return nullptr;
    return rs->atField[iFieldIndex].achFieldName;
}

DBS_API const char* RstGetTableName(const TagSqlRst* ptRst, int iFieldIndex) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr || BadIndex(rs, iFieldIndex)) return nullptr;
    return rs->atField[iFieldIndex].achTableName;
}

DBS_API int RstGetFieldValue(const TagSqlRst* ptRst, int iFieldIndex, TagSqlValue* lpVal) {
    const TagSqlRecordset* rs = DBS_RESULT(ptRst);
    if (rs == nullptr) return DBS_SQL_FAIL;
    if (BadIndex(rs, iFieldIndex)) return DBS_RST_BAD_FIELD_INDEX;
    if (lpVal == nullptr) {
        DbsTraceLog("[File:%s Line%d] Param lpVal is NULL!", DBS_HERE);
        return DBS_RST_NULL_VALUE;
    }
    if (NoRows(rs)) return DBS_SQL_FAIL;
    if (ptRst->iCurRow < 0 || ptRst->iCurRow >= rs->iRowNum) {
        DbsTraceLog("[File:%s Line%d] ptRst->iCurRow[%d] is Invalid!", DBS_HERE, ptRst->iCurRow);
        return DBS_SQL_FAIL;
    }
    const TagSqlField& f = rs->atField[iFieldIndex];
    TagSqlValue v{};
    v.chType = static_cast<int8_t>(f.iFieldType);
    v.chStorage = DBS_STORAGE_BORROWED;
    v.dwLength = static_cast<uint32_t>(f.iFieldLen);
    const char* bytes = nullptr;
    if (rs->pchData != nullptr) {
        bytes = rs->pchData + static_cast<size_t>(ptRst->iCurRow) * static_cast<size_t>(rs->iRowLen) + f.wOffset;
    }
    v.pData = const_cast<char*>(bytes);
    // Numeric columns also fill their typed slot; an array column gives its first element there.
    void* slot = nullptr;
    size_t size = 0;
    switch (static_cast<uint8_t>(v.chType)) {
        case DB_TINYINT: slot = &v.byTinyInt; size = 1; break;
        case DB_SHORT: slot = &v.sShort; size = 2; break;
        case DB_INT: slot = &v.iInt; size = 4; break;
        case DB_LONG: slot = &v.lLong; size = 4; break;
        case DB_FLOAT: slot = &v.fFloat; size = 4; break;
        case DB_DOUBLE: slot = &v.dDouble; size = 8; break;
        case DB_USHORT: slot = &v.usUShort; size = 2; break;
        case DB_UINT: slot = &v.uiUInt; size = 4; break;
        case DB_ULONG: slot = &v.ulULong; size = 4; break;
        default: break;
    }
    if (slot != nullptr && bytes != nullptr) {
        size_t n = static_cast<size_t>(f.iFieldLen) < size ? static_cast<size_t>(f.iFieldLen) : size;
        std::memcpy(slot, bytes, n);
    }
    *lpVal = v;
    return DBS_SQL_OK;
}

DBS_API int RstDestroy(TagSqlRst* ptRst) {
    if (ptRst == nullptr) {
        DbsTraceLog("[File:%s Line%d] SQL Recordset Handle is Invalid!", DBS_HERE);
        return DBS_SQL_FAIL;
    }
    if (ptRst->ptResult != nullptr) {
        DbsFree(ptRst->ptResult->pchData);
        DbsFree(ptRst->ptResult);
    }
    DbsFree(ptRst);
    return DBS_SQL_OK;
}

DBS_API int GetTypeWidth(const TagSqlValue* ptVal) {
    if (ptVal == nullptr) return 0;
    return dbs::sql::TypeWidth(static_cast<uint8_t>(ptVal->chType));
}

}  // extern "C"
