// TEMPORARY while the subsystems are built side by side: weak placeholders for every exported call, so that
// each subsystem links on its own. A real definition anywhere replaces its placeholder. This file is removed once
// every call has its real definition.
#include <dbs/dbs.h>

#pragma GCC diagnostic ignored "-Wunused-parameter"


#include "runtime/trace_log.h"

#define DBS_PLACEHOLDER DbsTraceLog("[File:%s Line:%d] %s is not available yet", DBS_HERE, __func__)
extern "C" {

__attribute__((weak)) DBS_API uint8_t DbsUninitialize(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsLoadData(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSaveDataToQDB(const char* pchPath, uint8_t byMode) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCoreInit(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCoreRelease(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCreateTableForm(uint32_t hTable, const char* pchName, uint16_t wReserved, uint32_t dwMaxTupleNum, uint16_t wDomainNum) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsCreateTableFormNo(uint16_t wTableNo, const char* pchName, uint16_t wReserved, uint32_t dwMaxTupleNum, uint16_t wDomainNum) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsCreateTableBySpec(uint16_t wTableNo, const char* pchName, uint16_t wReserved, uint32_t dwMaxTupleNum, ...) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsAddDomain(uint32_t hTable, const char* pchName, char chType, uint16_t wLen, uint8_t bySaveFlag) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTableType(uint32_t hTable, uint8_t byType) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTableMethod(uint32_t hTable, uint16_t wMethodNo, DbsMethodFn pfnMethod) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTableFlag(uint32_t hTable, uint8_t byValue) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsAllocMemory(uint32_t dwHandle) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsInsertRTable(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsUpdateRTable(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteRTable(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsLoadRTable(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSaveRTable(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDefaultLoadMethod(uint32_t hTable, TagDBForm* ptForm) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDefaultSaveMethod(uint32_t hTable, TagDBForm* ptForm) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API void DbsSetPath(uint8_t byPathNo, const char* pchName) { DBS_PLACEHOLDER; }
__attribute__((weak)) DBS_API void DbsSetCurPath(uint8_t byPathNo) { DBS_PLACEHOLDER; }
__attribute__((weak)) DBS_API uint8_t DbsGetCurPath(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetDBHandle(uint16_t wTableNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API TagDBForm DbsGetDBForm(uint16_t wTableNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetTableHandle(const char* pchTableName) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API const char* DbsGetTableName(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetTableType(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetDomainNum(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API const TagDMForm* DbsGetDomainName(uint32_t hTable, uint8_t byDomainNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint16_t DbsGetTableNum(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetDomain(uint32_t hTable, const char* pchDomainName, const void* pvSrc) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetDomainEX(uint32_t hTable, const char* pchDomainName, const void* pvSrc) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetDomain(uint32_t hTable, const char* pchDomainName, void* pvDst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetDomainEX(uint32_t hTable, const char* pchDomainName, void* pvDst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTupleNo(uint32_t hTable, uint32_t dwTupleNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTupleNoEX(uint32_t hTable, uint32_t dwTupleNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetTupleNo(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetTupleNoEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToFirst(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToFirstEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToNext(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToNextEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToPrev(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSkipToPrevEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetTuple(uint32_t hTable, void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsGetTupleEX(uint32_t hTable, void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTuple(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSetTupleEX(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetTupleNum(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsGetTupleNumEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint16_t DbsGetTupleLen(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsAppendTuple(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsAppendTupleEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteTuple(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteTupleEX(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCreateIndexHandle(uint32_t hTable, uint32_t hIndex, uint8_t byIdxType, uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsCreateIndexNo(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType, uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint32_t DbsCreateIndexByName(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType, uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen, ...) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint16_t DbsMakeIndex(uint32_t hTable, uint16_t wIdxNo, void* pbyKey, uint16_t wKeyBufLen, ...) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsFetchIndex(uint32_t hIndex, const void* pchTupleKey, uint32_t* pdwTupleNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsFetchIndexEX(uint32_t hIndex, uint8_t byBufNo, const void* pchTupleKey, uint32_t* pdwTupleNo) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsLocateTuple(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsLocateTupleEX(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsInsertIndex(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsInsertIndexEX(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteIndex(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteIndexEX(uint32_t hIndex, const void* pbyKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteSecondaryIndex(uint32_t hPriIndex, const void* pbyPriKey, uint32_t hSecIndex, const void* pbySecKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteSecondaryIndexEX(uint32_t hPriIndex, const void* pbyPriKey, uint32_t hSecIndex, const void* pbySecKey) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsChangeOver(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsChangeOverAddr(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCopyData(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsCopyDataEx(uint32_t hTable, uint8_t byDirection) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsAllCopyData(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsClrMainMem(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsClrSecondaryMem(uint32_t hTable) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsClrMemory(uint32_t dwHandle, uint8_t byWhich) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsTupleChangeOrder(uint32_t hTable, void* pbyTuple, uint8_t byDirection) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint16_t DbsGetIndexValue(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple, void* pbyKey, uint16_t wKeyBufLen, uint16_t* pwKeyLen) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t GetFieldProp(uint32_t hTable, const char* pchField, uint16_t* pwOffset, char* pchType, uint16_t* pwLen) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API void DbsGetKeyDomainNames(uint32_t hTable, char** ppchNames, uint32_t* pdwCount) { DBS_PLACEHOLDER; }
__attribute__((weak)) DBS_API uint8_t DbsSysInsertIndex(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysInsertIndexEX(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysLocateTuple(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysLocateTupleEX(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysDeleteIndex(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysDeleteIndexEX(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysInsertTabTuple(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysUpdateTabTuple(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsSysDeleteTabTuple(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsUpdateTabPrepare(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsDeleteTabPrepare(uint32_t hTable, const void* pbyTuple) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API hSqlParser SQLCreate(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int SQLDestory(hSqlParser hParser) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int SQLExecute(hSqlParser hParser, const char* pchSql, TagSqlRst** pptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int TransBegin(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int TransCommit(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int TransRollback(void) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstMoveFirst(TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstMoveNext(TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstMovePrev(TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstMoveLast(TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int IsBOF(const TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int IsEOF(const TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetRecordNum(const TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetFieldNum(const TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetTableNum(const TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetFieldType(const TagSqlRst* ptRst, int iFieldIndex) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetFieldLen(const TagSqlRst* ptRst, int iFieldIndex) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API const char* RstGetFieldName(const TagSqlRst* ptRst, int iFieldIndex) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API const char* RstGetTableName(const TagSqlRst* ptRst, int iFieldIndex) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstGetFieldValue(const TagSqlRst* ptRst, int iFieldIndex, TagSqlValue* lpVal) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int RstDestroy(TagSqlRst* ptRst) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API int GetTypeWidth(const TagSqlValue* ptVal) { DBS_PLACEHOLDER; return {}; }
}  // extern "C"
__attribute__((weak)) DBS_API uint8_t DbsInitialize(const std::string& strFirstXmlPath, const std::string& strSecondXmlPath) { DBS_PLACEHOLDER; return {}; }
__attribute__((weak)) DBS_API uint8_t DbsLoadDBDefXml(const std::string& strXmlPath, uint8_t byType, std::vector<TagSYSTABTuple>& vecSysTab, std::vector<TagSYSCOLUMNTuple>& vecSysColumn, std::vector<TagSYSCONSCOLUMNTuple>& vecSysConsColumn, std::vector<TagSYSCONSTRAINTSTuple>& vecSysConstraints, std::map<std::string, int>& mapTableNo) { DBS_PLACEHOLDER; return {}; }
