/* DBS: an in-process, in-memory relational table store. The public contract of libdbs. */
#ifndef DBS_DBS_H
#define DBS_DBS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
#include <map>
#include <string>
#include <vector>
#endif

#if defined(_WIN32)
#  if defined(DBS_EXPORTS)
#    define DBS_API __declspec(dllexport)
#  else
#    define DBS_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define DBS_API __attribute__((visibility("default")))
#else
#  define DBS_API
#endif

#if defined(__GNUC__) || defined(__clang__)
#  define DBS_PRINTF_LIKE(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#  define DBS_PRINTF_LIKE(fmt_index, first_arg)
#endif

#ifdef __cplusplus
#  define DBS_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#  define DBS_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Limits and fixed sizes */
#define DBS_MAX_TABLES          128     /* table form entries, table numbers 0..127 */
#define DBS_MAX_INDEXES         512     /* index form entries, index numbers 0..511 */
#define DBS_IDX_SLOTS           4       /* index slots per table; slot 0 = primary key */
#define DBS_MAX_KEY_FIELDS      8       /* key fields per index */
#define DBS_KEY_BUF_LEN         100     /* key buffer of the catalogue index calls */
#define DBS_TABLE_NAME_SIZE     13      /* table name: 1..12 characters and NUL */
#define DBS_DOMAIN_NAME_SIZE    32      /* field name: 1..31 characters and NUL */
#define DBS_KEY_NAME_SLOT       30      /* one name slot of the DbsGetKeyDomainNames block */
#define DBS_PATH_SIZE           260     /* path buffers: at most 259 characters and NUL */
#define DBS_TRACE_LEVEL         6       /* trace level of every line the library writes */

/* Handles */
#define DBS_HANDLE_KIND_MASK    0xF0000u
#define DBS_HANDLE_NO_MASK      0x0FFFFu
#define DBS_HANDLE_TABLE        0x10000u  /* table handle = 0x10000 | table number */
#define DBS_HANDLE_INDEX        0x20000u  /* index handle = 0x20000 | (table number * 4 + slot) */
#define DBS_HANDLE_CONSTRAINT   0x30000u  /* constraint record handle = 0x30000 | position in its list */
#define DBS_HANDLE_KIND(h)      ((uint32_t)(h) & DBS_HANDLE_KIND_MASK)
#define DBS_HANDLE_NO(h)        ((uint32_t)(h) & DBS_HANDLE_NO_MASK)
#define DBS_TABLE_HANDLE(no)    (DBS_HANDLE_TABLE | (uint32_t)(no))
#define DBS_INDEX_HANDLE(tableNo, slot) \
    (DBS_HANDLE_INDEX | ((uint32_t)(tableNo) * 4u + (uint32_t)(slot)))

/* Index kinds (TagIdxForm.byIdxType); the values of one group behave alike */
#define DBS_IDX_ARRAY1D_0       0x10    /* one-dimensional array of wDimX cells */
#define DBS_IDX_ARRAY1D_1       0x11
#define DBS_IDX_ARRAY2D_0       0x20    /* two-dimensional array of wDimX * wDimY cells */
#define DBS_IDX_ARRAY2D_1       0x21
#define DBS_IDX_ARRAY2D_2       0x22
#define DBS_IDX_ARRAY2D_3       0x23
#define DBS_IDX_ARRAY2D_4       0x24
#define DBS_IDX_SORTED          0x30    /* sorted list of (tuple number, key) entries */

/* Record slot status byte */
#define DBS_TUPLE_USED          'U'     /* 0x55 */
#define DBS_TUPLE_FREE          0

/* Field kinds (TagDMForm.chDMType, TagSYSCOLUMNTuple.chDMType) */
#define DBS_KIND_CHAR           'C'
#define DBS_KIND_DWORD          'D'
#define DBS_KIND_WORD           'W'
#define DBS_KIND_BYTE           'N'
#define DBS_KIND_LOGIC          'L'

/* Table types (TagDBForm.byDBType, TagSYSTABTuple.byTableType) */
#define DBS_TABLE_TYPE_FIRST    1       /* first schema file: loaded and saved */
#define DBS_TABLE_TYPE_NOSAVE   2       /* neither loaded nor saved */
#define DBS_TABLE_TYPE_SECOND   3       /* second schema file: loaded (optional) and saved */

/* DbsSetTableFlag and TagDBForm.byDBFlag */
#define DBS_FLAG_SAVE_PENDING   0x01    /* bit 0 of byDBFlag */
#define DBS_FLAG_CLEAR          0x80    /* with bit 7 set, DbsSetTableFlag clears the bits instead */

/* Method numbers of DbsSetTableMethod */
#define DBS_METHOD_LOAD         1       /* pfnLoad,       DbsFormMethodFn  */
#define DBS_METHOD_SAVE         2       /* pfnSave,       DbsFormMethodFn  */
#define DBS_METHOD_INSERT       3       /* pfnInsert,     DbsTupleMethodFn */
#define DBS_METHOD_UPDATE       4       /* pfnUpdate,     DbsTupleMethodFn */
#define DBS_METHOD_DELETE       5       /* pfnDelete,     DbsTupleMethodFn */
#define DBS_METHOD_PRE_LOAD     6       /* pfnPreLoad,    DbsFormMethodFn  */
#define DBS_METHOD_POST_LOAD    7       /* pfnPostLoad,   DbsFormMethodFn  */
#define DBS_METHOD_PRE_INSERT   8       /* pfnPreInsert,  DbsTupleMethodFn */
#define DBS_METHOD_POST_INSERT  9       /* pfnPostInsert, DbsTupleMethodFn */
#define DBS_METHOD_PRE_UPDATE   10      /* pfnPreUpdate,  DbsTupleMethodFn */
#define DBS_METHOD_POST_UPDATE  11      /* pfnPostUpdate, DbsTupleMethodFn */
#define DBS_METHOD_PRE_DELETE   12      /* pfnPreDelete,  DbsTupleMethodFn */
#define DBS_METHOD_POST_DELETE  13      /* pfnPostDelete, DbsTupleMethodFn */

/* Path numbers of DbsSetPath, DbsSetCurPath and DbsGetCurPath */
#define DBS_PATH_NONE           0
#define DBS_PATH_DATA           1       /* version path + "data" */
#define DBS_PATH_TEMP           2       /* version path + "temp"; table files in network byte order */
#define DBS_PATH_VERSION        3       /* version path + "version"; current after start-up and every close */
#define DBS_PATH_ROLLBACK       4       /* version path + "data/rollback" */

#ifdef _WIN32
#  define DBS_DEFAULT_VERSION_PATH "C:\\qdbfile\\sw1\\"
#else
#  define DBS_DEFAULT_VERSION_PATH "/var/lib/qdbfile/sw1/"
#endif

/* DbsSaveDataToQDB modes */
#define DBS_SAVE_TO_TEMP        0       /* any value but 1: path 2, network byte order */
#define DBS_SAVE_TO_VERSION     1       /* path 3, host byte order */

/* DbsFileOpen modes */
#define DBS_FILE_OPEN_RW        1       /* "r+b": existing file */
#define DBS_FILE_CREATE         2       /* any value but 1: "w+b": create or truncate */

/* DbsTupleChangeOrder directions */
#define DBS_ORDER_HOST_TO_NET   1
#define DBS_ORDER_NET_TO_HOST   2

/* DbsCopyDataEx directions and DbsClrMemory buffers */
#define DBS_COPY_MAIN_TO_SECOND 0
#define DBS_COPY_SECOND_TO_MAIN 1
#define DBS_MEM_SECONDARY       0
#define DBS_MEM_MAIN            1       /* any value but 0 */

/* DbsGetIndexValue results */
#define DBS_KEY_OK              0
#define DBS_KEY_NO_INDEX        1       /* slot above 3, or no valid index in the slot */
#define DBS_KEY_BUF_TOO_SMALL   2
#define DBS_KEY_ERROR           3

/* TagSYSCONSTRAINTSTuple.byConsType */
#define DBS_CONS_FK_RESTRICT    1
#define DBS_CONS_FK_CASCADE     2
#define DBS_CONS_CHECK          3
#define DBS_CONS_MUTEX          4
#define DBS_CONS_FIXED_INDEX    5

/* SQL type codes (TagSqlValue.chType, TagSqlField.iFieldType) */
#define DB_NOVAL                0       /* no value */
#define DB_SHORT                1       /* int16_t */
#define DB_INT                  2       /* int32_t */
#define DB_LONG                 3       /* int32_t */
#define DB_DOUBLE               4       /* double */
#define DB_STRING               5       /* characters at pData */
#define DB_FLOAT                6       /* float */
#define DB_USHORT               7       /* uint16_t */
#define DB_UINT                 8       /* uint32_t */
#define DB_ULONG                9       /* uint32_t */
#define DB_TINYINT              10      /* uint8_t */
#define DB_ERRVAL               11      /* result of a division by zero */
#define DB_NULL                 12      /* the NULL literal */
#define DB_EMPTY                255     /* slot never evaluated; reads as -1 in chType and iFieldType */

/* SQL and record-set results */
#define DBS_SQL_OK              0
#define DBS_SQL_FAIL            (-1)
#define DBS_SQL_EOF             100     /* record-set move past the end, or no rows */
#define DBS_SQL_BOF             101     /* record-set move before the beginning, or no rows */
#define DBS_RST_BAD_FIELD_INDEX 25      /* RstGetFieldType, RstGetFieldValue: column number out of range */
#define DBS_RST_NULL_VALUE      6       /* RstGetFieldValue: lpVal is null */
#define DBS_SQL_MAX_FIELDS      100     /* columns of a record set */
#define DBS_SQL_NAME_SIZE       20      /* TagSqlField name fields */

/* TagSqlValue.chStorage */
#define DBS_STORAGE_NONE        0       /* no data pointer */
#define DBS_STORAGE_OWNED       100     /* the value owns the heap block at pData */
#define DBS_STORAGE_BORROWED    102     /* pData points into record-set data */

/* Transaction states (process-wide) */
#define DBS_TRANS_IDLE          0
#define DBS_TRANS_ACTIVE        1
#define DBS_TRANS_COMMITTING    2
#define DBS_TRANS_COMMITTED     3

typedef struct TagDMForm              TagDMForm;
typedef struct TagDBForm              TagDBForm;
typedef struct TagIdxForm             TagIdxForm;
typedef struct TagSYSTABTuple         TagSYSTABTuple;
typedef struct TagSYSCOLUMNTuple      TagSYSCOLUMNTuple;
typedef struct TagSYSCONSCOLUMNTuple  TagSYSCONSCOLUMNTuple;
typedef struct TagSYSCONSTRAINTSTuple TagSYSCONSTRAINTSTuple;
typedef struct TagSqlValue            TagSqlValue;
typedef struct TagSqlField            TagSqlField;
typedef struct TagSqlRecordset        TagSqlRecordset;
typedef struct TagSqlRst              TagSqlRst;

typedef uint8_t (*DbsFormMethodFn)(uint32_t hTable, TagDBForm* ptForm);
typedef uint8_t (*DbsTupleMethodFn)(uint32_t hTable, const void* pbyTuple);
typedef void    (*DbsMethodFn)(void);

#pragma pack(push, 1)

struct TagDMForm {                          /* field descriptor; also stored in table files */
    char     achDMName[32];                 /*  0  NUL-terminated, 1..31 characters */
    char     chDMType;                      /* 32  DBS_KIND_* */
    uint16_t wDMOffset;                     /* 33  offset in the record slot; first field at 1 */
    uint8_t  byDMKeyFlag;                   /* 35  bit 0: the field belongs to an index key */
    uint16_t wDMLen;                        /* 36  length in bytes, never 0 */
    uint8_t  byDMSaveFlag;                  /* 38  1: written to the table file */
};                                          /* 39 */

struct TagDBForm {                          /* table descriptor; DbsGetDBForm returns a copy */
    uint32_t         dwDBHandle;            /*   0 |   0  0 = entry free */
    char             achDBName[13];         /*   4 |   4  NUL-terminated, 1..12 characters */
    uint16_t         wDBReserved;           /*  17 |  17  value given at creation */
    uint8_t          byDBType;              /*  19 |  19  DBS_TABLE_TYPE_* */
    uint8_t          byDBFlag;              /*  20 |  20  DBS_FLAG_SAVE_PENDING */
    uint32_t         dwMaxTupleNum;         /*  21 |  21  record slots per buffer */
    uint16_t         wTupleLen;             /*  25 |  25  slot length, status byte included */
    uint8_t          byDomainNum;           /*  27 |  27  number of fields */
    uint16_t         wTupleLenCopy;         /*  28 |  28 */
    uint8_t          byDomainNumCopy;       /*  30 |  30 */
    uint8_t          byReserved;            /*  31 |  31  0 */
    TagDMForm*       ptDomain;              /*  32 |  32  field descriptors */
    uint32_t         adwIdxHandle[4];       /*  36 |  40  one per index slot, 0 = free */
    uint32_t         dwReserved;            /*  52 |  56  0 */
    uint8_t          byDBMainAddrPtr;       /*  56 |  60  buffer number of main memory */
    uint8_t          byDBSecondAddrPtr;     /*  57 |  61  buffer number of secondary memory */
    uint32_t         adwTupleNum[2];        /*  58 |  62  used slots, per buffer */
    uint32_t         adwTupleNo[2];         /*  66 |  70  current tuple number, per buffer */
    uint32_t         adwSpare1[2];          /*  74 |  78  per buffer, copied with the buffer */
    uint32_t         adwSpare2[2];          /*  82 |  86  per buffer */
    char*            apchDBAddr[2];         /*  90 |  94  record buffers, by buffer number */
    uint32_t         adwReserved1[4];       /*  98 | 110  0 */
    uint32_t         adwReserved2[4];       /* 114 | 126  0 */
    DbsFormMethodFn  pfnPreLoad;            /* 130 | 142  method 6 */
    DbsFormMethodFn  pfnLoad;               /* 134 | 150  method 1 */
    DbsFormMethodFn  pfnPostLoad;           /* 138 | 158  method 7 */
    DbsFormMethodFn  pfnSave;               /* 142 | 166  method 2 */
    DbsTupleMethodFn pfnPreInsert;          /* 146 | 174  method 8 */
    DbsTupleMethodFn pfnInsert;             /* 150 | 182  method 3 */
    DbsTupleMethodFn pfnPostInsert;         /* 154 | 190  method 9 */
    DbsTupleMethodFn pfnPreUpdate;          /* 158 | 198  method 10 */
    DbsTupleMethodFn pfnUpdate;             /* 162 | 206  method 4 */
    DbsTupleMethodFn pfnPostUpdate;         /* 166 | 214  method 11 */
    DbsTupleMethodFn pfnPreDelete;          /* 170 | 222  method 12 */
    DbsTupleMethodFn pfnDelete;             /* 174 | 230  method 5 */
    DbsTupleMethodFn pfnPostDelete;         /* 178 | 238  method 13 */
};                                          /* 182 | 246 */

struct TagIdxForm {                         /* index descriptor */
    uint32_t dwIdxHandle;                   /*  0 |  0  0 = entry free */
    uint32_t dwDBHandle;                    /*  4 |  4  indexed table */
    uint8_t  byIdxType;                     /*  8 |  8  DBS_IDX_* */
    uint8_t  abyIdxKey[8];                  /*  9 |  9  1-based field numbers in key order */
    uint8_t  byIdxKeyNum;                   /* 17 | 17 */
    uint8_t  byIdxUpdatable;                /* 18 | 18 */
    uint16_t wDimX;                         /* 19 | 19 */
    uint16_t wDimY;                         /* 21 | 21 */
    uint16_t wIdxReserved;                  /* 23 | 23 */
    uint16_t wIdxEntryLen;                  /* 25 | 25  4, or key length + 4 for the sorted kind */
    uint8_t  byIdxMainAddrPtr;              /* 27 | 27 */
    uint8_t  byIdxSecondAddrPtr;            /* 28 | 28 */
    uint32_t adwIdxEntryNum[2];             /* 29 | 29  per buffer */
    uint32_t adwIdxPos[2];                  /* 37 | 37  per buffer */
    char*    apchIdxAddr[2];                /* 45 | 45  index buffers, by buffer number */
};                                          /* 53 | 61 */

struct TagSYSTABTuple {                     /* one per table */
    uint32_t dwTableHandle;                 /*  0 */
    char     achDBName[13];                 /*  4 */
    uint16_t wReserved;                     /* 17  0 */
    uint16_t wMaxRecNum;                    /* 19  capacity */
    uint8_t  byTableType;                   /* 21  DBS_TABLE_TYPE_* */
};                                          /* 22 */

struct TagSYSCOLUMNTuple {                  /* one per column */
    uint32_t dwTableHandle;                 /*  0 */
    char     achDMName[32];                 /*  4 */
    char     chDMType;                      /* 36  DBS_KIND_* */
    uint16_t wDMLen;                        /* 37 */
    uint8_t  bySaveFlag;                    /* 39 */
};                                          /* 40 */

struct TagSYSCONSCOLUMNTuple {              /* one per key column of a key index */
    uint32_t dwTableHandle;                 /*  0 */
    uint32_t dwConstraintHandle;            /*  4  index handle */
    char     achDMName[32];                 /*  8 */
    uint8_t  byIdxNo;                       /* 40  index slot 0..3 */
};                                          /* 41 */

struct TagSYSCONSTRAINTSTuple {             /* one per constraint */
    uint32_t dwTableHandle;                 /*   0  owning (child) table */
    uint32_t dwConstraintHandle;            /*   4  DBS_HANDLE_CONSTRAINT | n, or an index handle */
    uint8_t  byConsType;                    /*   8  DBS_CONS_* */
    char     achCheckColumnName[32];        /*   9 */
    char     achSearchCondition[100];       /*  41  NUL-terminated, at most 99 characters */
    uint32_t dwRelTableHandle;              /* 141  parent table */
    uint32_t dwRelIndexHandle;              /* 145  parent index */
    uint32_t dwReserved;                    /* 149 */
};                                          /* 153 */

struct TagSqlValue {                        /* typed SQL value */
    int8_t   chType;                        /*  0 |  0  DB_* code */
    uint8_t  byTinyInt;                     /*  1 |  1  DB_TINYINT */
    int16_t  sShort;                        /*  2 |  2  DB_SHORT */
    int32_t  iInt;                          /*  4 |  4  DB_INT */
    int32_t  lLong;                         /*  8 |  8  DB_LONG */
    float    fFloat;                        /* 12 | 12  DB_FLOAT */
    double   dDouble;                       /* 16 | 16  DB_DOUBLE */
    uint16_t usUShort;                      /* 24 | 24  DB_USHORT */
    uint32_t uiUInt;                        /* 26 | 26  DB_UINT */
    uint32_t ulULong;                       /* 30 | 30  DB_ULONG */
    uint32_t dwLength;                      /* 34 | 34  bytes at pData */
    void*    pData;                         /* 38 | 38 */
    char     chStorage;                     /* 42 | 46  DBS_STORAGE_* */
};                                          /* 43 | 47 */

struct TagSqlField {                        /* record-set column descriptor */
    char     achTableName[20];              /*  0 */
    char     achFieldName[20];              /* 20 */
    int      iTableIndex;                   /* 40 */
    int      iFieldLen;                     /* 44 */
    int      iFieldType;                    /* 48  DB_* code, -1 for a column without rows */
    uint16_t wOffset;                       /* 52 */
    uint32_t dwReserved;                    /* 54  0 */
};                                          /* 58 */

struct TagSqlRecordset {                    /* materialised result of SELECT or EXISTS */
    int         iRowNum;                    /*    0 */
    int         iFieldNum;                  /*    4 */
    int         iRowLen;                    /*    8 */
    int         iDataLen;                   /*   12 */
    TagSqlField atField[100];               /*   16 */
    char*       pchData;                    /* 5816  iDataLen bytes of rows, or null */
};                                          /* 5820 | 5824 */

struct TagSqlRst {                          /* record-set handle held by the host */
    TagSqlRecordset* ptResult;              /* 0 */
    int              iCurRow;               /* 4 | 8  -1 = BOF, iRowNum = EOF */
};                                          /* 8 | 12 */

#pragma pack(pop)

typedef struct TagSqlParser* hSqlParser;    /* opaque parser context */

DBS_STATIC_ASSERT(sizeof(void*) == 4 || sizeof(void*) == 8, "pointers must be 4 or 8 bytes");
DBS_STATIC_ASSERT(sizeof(DbsMethodFn) == sizeof(void*), "method pointers must be as wide as data pointers");
DBS_STATIC_ASSERT(sizeof(int) == 4 && sizeof(float) == 4 && sizeof(double) == 8, "int, float, double widths");
DBS_STATIC_ASSERT(sizeof(TagDMForm) == 39, "TagDMForm must be 39 bytes");
DBS_STATIC_ASSERT(sizeof(TagDBForm) == (sizeof(void*) == 4 ? 182 : 246), "TagDBForm must be 182 or 246 bytes");
DBS_STATIC_ASSERT(sizeof(TagIdxForm) == (sizeof(void*) == 4 ? 53 : 61), "TagIdxForm must be 53 or 61 bytes");
DBS_STATIC_ASSERT(sizeof(TagSYSTABTuple) == 22, "TagSYSTABTuple must be 22 bytes");
DBS_STATIC_ASSERT(sizeof(TagSYSCOLUMNTuple) == 40, "TagSYSCOLUMNTuple must be 40 bytes");
DBS_STATIC_ASSERT(sizeof(TagSYSCONSCOLUMNTuple) == 41, "TagSYSCONSCOLUMNTuple must be 41 bytes");
DBS_STATIC_ASSERT(sizeof(TagSYSCONSTRAINTSTuple) == 153, "TagSYSCONSTRAINTSTuple must be 153 bytes");
DBS_STATIC_ASSERT(sizeof(TagSqlValue) == (sizeof(void*) == 4 ? 43 : 47), "TagSqlValue must be 43 or 47 bytes");
DBS_STATIC_ASSERT(sizeof(TagSqlField) == 58, "TagSqlField must be 58 bytes");
DBS_STATIC_ASSERT(sizeof(TagSqlRecordset) == (sizeof(void*) == 4 ? 5820 : 5824),
                  "TagSqlRecordset must be 5820 or 5824 bytes");
DBS_STATIC_ASSERT(sizeof(TagSqlRst) == (sizeof(void*) == 4 ? 8 : 12), "TagSqlRst must be 8 or 12 bytes");

DBS_API void    DbsSetDataPath(const char* pchDataPath);
DBS_API uint8_t DbsUninitialize(void);
DBS_API uint8_t DbsLoadData(void);
DBS_API uint8_t DbsSaveDataToQDB(const char* pchPath, uint8_t byMode);

DBS_API uint8_t  DbsCoreInit(void);
DBS_API uint8_t  DbsCoreRelease(void);
DBS_API uint8_t  DbsCreateTableForm(uint32_t hTable, const char* pchName, uint16_t wReserved,
                                    uint32_t dwMaxTupleNum, uint16_t wDomainNum);
DBS_API uint32_t DbsCreateTableFormNo(uint16_t wTableNo, const char* pchName, uint16_t wReserved,
                                      uint32_t dwMaxTupleNum, uint16_t wDomainNum);
DBS_API uint32_t DbsCreateTableBySpec(uint16_t wTableNo, const char* pchName, uint16_t wReserved,
                                      uint32_t dwMaxTupleNum, ...);
DBS_API uint8_t  DbsAddDomain(uint32_t hTable, const char* pchName, char chType, uint16_t wLen,
                              uint8_t bySaveFlag);
DBS_API uint8_t  DbsSetTableType(uint32_t hTable, uint8_t byType);
DBS_API uint8_t  DbsSetTableMethod(uint32_t hTable, uint16_t wMethodNo, DbsMethodFn pfnMethod);
DBS_API uint8_t  DbsSetTableFlag(uint32_t hTable, uint8_t byValue);
DBS_API uint8_t  DbsAllocMemory(uint32_t dwHandle);          /* table or index handle */

DBS_API uint8_t DbsInsertRTable(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t DbsUpdateRTable(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t DbsDeleteRTable(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t DbsLoadRTable(uint32_t hTable);
DBS_API uint8_t DbsSaveRTable(uint32_t hTable);
DBS_API uint8_t DbsDefaultLoadMethod(uint32_t hTable, TagDBForm* ptForm);
DBS_API uint8_t DbsDefaultSaveMethod(uint32_t hTable, TagDBForm* ptForm);

DBS_API void    DbsSetPath(uint8_t byPathNo, const char* pchName);
DBS_API void    DbsSetCurPath(uint8_t byPathNo);
DBS_API uint8_t DbsGetCurPath(void);

DBS_API uint32_t         DbsGetDBHandle(uint16_t wTableNo);
DBS_API TagDBForm        DbsGetDBForm(uint16_t wTableNo);
DBS_API uint32_t         DbsGetTableHandle(const char* pchTableName);
DBS_API const char*      DbsGetTableName(uint32_t hTable);
DBS_API uint8_t          DbsGetTableType(uint32_t hTable);
DBS_API uint8_t          DbsGetDomainNum(uint32_t hTable);
DBS_API const TagDMForm* DbsGetDomainName(uint32_t hTable, uint8_t byDomainNo);   /* 0-based */
DBS_API uint16_t         DbsGetTableNum(void);

DBS_API uint8_t  DbsSetDomain(uint32_t hTable, const char* pchDomainName, const void* pvSrc);
DBS_API uint8_t  DbsSetDomainEX(uint32_t hTable, const char* pchDomainName, const void* pvSrc);
DBS_API uint8_t  DbsGetDomain(uint32_t hTable, const char* pchDomainName, void* pvDst);
DBS_API uint8_t  DbsGetDomainEX(uint32_t hTable, const char* pchDomainName, void* pvDst);
DBS_API uint8_t  DbsSetTupleNo(uint32_t hTable, uint32_t dwTupleNo);
DBS_API uint8_t  DbsSetTupleNoEX(uint32_t hTable, uint32_t dwTupleNo);
DBS_API uint32_t DbsGetTupleNo(uint32_t hTable);
DBS_API uint32_t DbsGetTupleNoEX(uint32_t hTable);
DBS_API uint8_t  DbsSkipToFirst(uint32_t hTable);
DBS_API uint8_t  DbsSkipToFirstEX(uint32_t hTable);
DBS_API uint8_t  DbsSkipToNext(uint32_t hTable);
DBS_API uint8_t  DbsSkipToNextEX(uint32_t hTable);
DBS_API uint8_t  DbsSkipToPrev(uint32_t hTable);
DBS_API uint8_t  DbsSkipToPrevEX(uint32_t hTable);
DBS_API uint8_t  DbsGetTuple(uint32_t hTable, void* pbyTuple);
DBS_API uint8_t  DbsGetTupleEX(uint32_t hTable, void* pbyTuple);
DBS_API uint8_t  DbsSetTuple(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSetTupleEX(uint32_t hTable, const void* pbyTuple);
DBS_API uint32_t DbsGetTupleNum(uint32_t hTable);
DBS_API uint32_t DbsGetTupleNumEX(uint32_t hTable);
DBS_API uint16_t DbsGetTupleLen(uint32_t hTable);
DBS_API uint8_t  DbsAppendTuple(uint32_t hTable);
DBS_API uint8_t  DbsAppendTupleEX(uint32_t hTable);
DBS_API uint8_t  DbsDeleteTuple(uint32_t hTable);
DBS_API uint8_t  DbsDeleteTupleEX(uint32_t hTable);

DBS_API uint8_t  DbsCreateIndexHandle(uint32_t hTable, uint32_t hIndex, uint8_t byIdxType,
                                      uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen);
DBS_API uint32_t DbsCreateIndexNo(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType,
                                  uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen);
DBS_API uint32_t DbsCreateIndexByName(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType,
                                      uint16_t wDimX, uint16_t wDimY, uint16_t wKeyLen, ...);
DBS_API uint16_t DbsMakeIndex(uint32_t hTable, uint16_t wIdxNo, void* pbyKey, uint16_t wKeyBufLen, ...);
DBS_API uint8_t  DbsFetchIndex(uint32_t hIndex, const void* pchTupleKey, uint32_t* pdwTupleNo);
DBS_API uint8_t  DbsFetchIndexEX(uint32_t hIndex, uint8_t byBufNo, const void* pchTupleKey,
                                 uint32_t* pdwTupleNo);
DBS_API uint8_t  DbsLocateTuple(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsLocateTupleEX(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsInsertIndex(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsInsertIndexEX(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsDeleteIndex(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsDeleteIndexEX(uint32_t hIndex, const void* pbyKey);
DBS_API uint8_t  DbsDeleteSecondaryIndex(uint32_t hPriIndex, const void* pbyPriKey,
                                         uint32_t hSecIndex, const void* pbySecKey);
DBS_API uint8_t  DbsDeleteSecondaryIndexEX(uint32_t hPriIndex, const void* pbyPriKey,
                                           uint32_t hSecIndex, const void* pbySecKey);

DBS_API uint8_t DbsChangeOver(uint32_t hTable);
DBS_API uint8_t DbsChangeOverAddr(void);
DBS_API uint8_t DbsCopyData(uint32_t hTable);
DBS_API uint8_t DbsCopyDataEx(uint32_t hTable, uint8_t byDirection);
DBS_API uint8_t DbsAllCopyData(void);
DBS_API uint8_t DbsClrMainMem(uint32_t hTable);
DBS_API uint8_t DbsClrSecondaryMem(uint32_t hTable);
DBS_API uint8_t DbsClrMemory(uint32_t dwHandle, uint8_t byWhich);   /* table or index handle */

DBS_API uint8_t DbsTupleChangeOrder(uint32_t hTable, void* pbyTuple, uint8_t byDirection);

DBS_API uint16_t DbsGetIndexValue(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple, void* pbyKey,
                                  uint16_t wKeyBufLen, uint16_t* pwKeyLen);
DBS_API uint8_t  GetFieldProp(uint32_t hTable, const char* pchField, uint16_t* pwOffset, char* pchType,
                              uint16_t* pwLen);                     /* each output may be null */
DBS_API void     DbsGetKeyDomainNames(uint32_t hTable, char** ppchNames, uint32_t* pdwCount);

DBS_API uint8_t  DbsSysInsertIndex(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSysInsertIndexEX(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSysLocateTuple(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple);
DBS_API uint8_t  DbsSysLocateTupleEX(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple);
DBS_API uint8_t  DbsSysDeleteIndex(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSysDeleteIndexEX(uint32_t hTable, const void* pbyTuple);

DBS_API uint8_t  DbsSysInsertTabTuple(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSysUpdateTabTuple(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsSysDeleteTabTuple(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsUpdateTabPrepare(uint32_t hTable, const void* pbyTuple);
DBS_API uint8_t  DbsDeleteTabPrepare(uint32_t hTable, const void* pbyTuple);

DBS_API void        DbsTraceLog(const char* pchFormat, ...) DBS_PRINTF_LIKE(1, 2);
DBS_API const char* DbsSourceName(const char* pchPath);
DBS_API void*       DbsMalloc(size_t nSize);
DBS_API void        DbsFree(void* pvBlock);
DBS_API FILE*       DbsFileOpen(const char* pchPath, uint8_t byMode);
DBS_API uint8_t     DbsFileClose(FILE* pFile);
DBS_API uint32_t    DbsFileRead(FILE* pFile, void* pvBuf, uint32_t dwOffset, uint32_t dwLen);
DBS_API uint32_t    DbsFileWrite(FILE* pFile, const void* pvData, uint32_t dwOffset, uint32_t dwLen);
DBS_API uint8_t     DbsCheckPath(const char* pchPath);
DBS_API uint8_t     DbsSwGetCurVerPath(char* pchVerPath);

DBS_API hSqlParser  SQLCreate(void);
DBS_API int         SQLDestory(hSqlParser hParser);
DBS_API int         SQLExecute(hSqlParser hParser, const char* pchSql, TagSqlRst** pptRst);

DBS_API int         TransBegin(void);
DBS_API int         TransCommit(void);
DBS_API int         TransRollback(void);

DBS_API int         RstMoveFirst(TagSqlRst* ptRst);
DBS_API int         RstMoveNext(TagSqlRst* ptRst);
DBS_API int         RstMovePrev(TagSqlRst* ptRst);
DBS_API int         RstMoveLast(TagSqlRst* ptRst);
DBS_API int         IsBOF(const TagSqlRst* ptRst);
DBS_API int         IsEOF(const TagSqlRst* ptRst);
DBS_API int         RstGetRecordNum(const TagSqlRst* ptRst);
DBS_API int         RstGetFieldNum(const TagSqlRst* ptRst);
DBS_API int         RstGetTableNum(const TagSqlRst* ptRst);
DBS_API int         RstGetFieldType(const TagSqlRst* ptRst, int iFieldIndex);
DBS_API int         RstGetFieldLen(const TagSqlRst* ptRst, int iFieldIndex);
DBS_API const char* RstGetFieldName(const TagSqlRst* ptRst, int iFieldIndex);
DBS_API const char* RstGetTableName(const TagSqlRst* ptRst, int iFieldIndex);
DBS_API int         RstGetFieldValue(const TagSqlRst* ptRst, int iFieldIndex, TagSqlValue* lpVal);
DBS_API int         RstDestroy(TagSqlRst* ptRst);
DBS_API int         GetTypeWidth(const TagSqlValue* ptVal);

#ifdef __cplusplus
}   /* extern "C" */

DBS_API uint8_t DbsInitialize(const std::string& strFirstXmlPath, const std::string& strSecondXmlPath);
DBS_API uint8_t DbsLoadDBDefXml(const std::string& strXmlPath, uint8_t byType,
                                std::vector<TagSYSTABTuple>& vecSysTab,
                                std::vector<TagSYSCOLUMNTuple>& vecSysColumn,
                                std::vector<TagSYSCONSCOLUMNTuple>& vecSysConsColumn,
                                std::vector<TagSYSCONSTRAINTSTuple>& vecSysConstraints,
                                std::map<std::string, int>& mapTableNo);
#endif /* __cplusplus */

#endif /* DBS_DBS_H */
