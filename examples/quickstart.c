/*
 * quickstart: a minimal host of the table store, written in C to show that <dbs/dbs.h> serves C hosts.
 *
 * It starts the core, creates a table of cities in code, appends a few records (whole records and single
 * fields), changes one in place, deletes one, walks the table forwards and backwards and prints what it finds.
 */
#include <stdio.h>
#include <string.h>

#include <dbs/dbs.h>

#pragma pack(push, 1)
typedef struct {
    uint32_t id;        /* ID   D(4)  */
    char name[16];      /* NAME C(16) */
    uint16_t rank;      /* RANK W(2)  */
} City;
#pragma pack(pop)

static void PrintTable(uint32_t hTable, const char* title) {
    City city;
    printf("%s (%u records):\n", title, (unsigned)DbsGetTupleNum(hTable));
    for (uint8_t ok = DbsSkipToFirst(hTable); ok; ok = DbsSkipToNext(hTable)) {
        if (DbsGetTuple(hTable, &city)) {
            printf("  #%u  id=%-4u name=%-12.16s rank=%u\n", (unsigned)DbsGetTupleNo(hTable), (unsigned)city.id,
                   city.name, (unsigned)city.rank);
        }
    }
}

int main(void) {
    static const struct { uint32_t id; const char* name; uint16_t rank; } seed[] = {
        {1, "Lisbon", 3}, {2, "Oslo", 5}, {3, "Vienna", 1}, {4, "Dublin", 4},
    };
    DbsSetDataPath("/tmp/dbs_quickstart/");
    if (!DbsCoreInit()) {
        fprintf(stderr, "quickstart: the core did not start\n");
        return 1;
    }
    uint32_t hCity = DbsCreateTableBySpec(0, "CITY", 0, 8, "ID D(4) SAVE", "NAME C(16) SAVE", "RANK W(2) SAVE", "");
    if (hCity == 0) {
        fprintf(stderr, "quickstart: the table was not created\n");
        DbsCoreRelease();
        return 1;
    }
    printf("table %s: %u fields, %u data bytes per record\n", DbsGetTableName(hCity),
           (unsigned)DbsGetDomainNum(hCity), (unsigned)DbsGetTupleLen(hCity));

    /* Three whole records, then one written field by field. */
    for (size_t i = 0; i < 3; ++i) {
        City city;
        memset(&city, 0, sizeof city);
        city.id = seed[i].id;
        memcpy(city.name, seed[i].name, strlen(seed[i].name)); /* names here are shorter than the field */
        city.rank = seed[i].rank;
        if (!DbsAppendTuple(hCity) || !DbsSetTuple(hCity, &city)) return 1;
    }
    if (DbsAppendTuple(hCity)) {
        char name[16] = {0};
        memcpy(name, seed[3].name, strlen(seed[3].name));
        DbsSetDomain(hCity, "ID", &seed[3].id);
        DbsSetDomain(hCity, "NAME", name);
        DbsSetDomain(hCity, "RANK", &seed[3].rank);
    }
    PrintTable(hCity, "after appending");

    /* Change record 2 in place, then delete record 1; the next append reuses slot 1. */
    uint16_t rank = 2;
    if (DbsSetTupleNo(hCity, 2)) DbsSetDomain(hCity, "RANK", &rank);
    if (DbsSetTupleNo(hCity, 1)) DbsDeleteTuple(hCity);
    PrintTable(hCity, "after changing #2 and deleting #1");
    if (DbsAppendTuple(hCity)) {
        City city;
        memset(&city, 0, sizeof city);
        city.id = 5;
        memcpy(city.name, "Porto", 5);
        city.rank = 6;
        DbsSetTuple(hCity, &city);
    }
    PrintTable(hCity, "after appending into the freed slot");

    printf("backwards:");
    DbsSetTupleNo(hCity, 4);
    do {
        uint32_t id = 0;
        DbsGetDomain(hCity, "ID", &id);
        printf(" %u", (unsigned)id);
    } while (DbsSkipToPrev(hCity));
    printf("\n");

    DbsCoreRelease();
    return 0;
}
