// Test support for statement execution: a small store built through the catalogue (staff and departments with a
// key, a foreign key and a check), a parser context, and helpers that run statements and print record sets.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "catalog/catalog_fixture.h"
#include "sql/parser_context.h"
#include "sql/transaction.h"

namespace dbs::test {

class SqlFixture : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        sql = SQLCreate();
        ASSERT_NE(sql, nullptr);
    }
    void TearDown() override {
        for (TagSqlRst* r : owned_) RstDestroy(r);
        SQLDestory(sql);
        dbs::sql::ResetTransactionState();
        CatalogFixture::TearDown();
    }

    // EMP(ID D4 key, NAME C12, DNO W2 -> DEPT, AGE N1 checked < 100) and DEPT(DNO W2 key, DNAME C8).
    void BuildStaff() {
        hDept = AddTable("DEPT", 64);
        AddColumn(hDept, "DNO", 'W', 2);
        AddColumn(hDept, "DNAME", 'C', 8);
        AddKey(hDept, 0, {"DNO"});
        hEmp = AddTable("EMP", 64);
        AddColumn(hEmp, "ID", 'D', 4);
        AddColumn(hEmp, "NAME", 'C', 12);
        AddColumn(hEmp, "DNO", 'W', 2);
        AddColumn(hEmp, "AGE", 'N', 1);
        AddKey(hEmp, 0, {"ID"});
        AddForeignKey(hEmp, hDept, 0, "DNO", DBS_CONS_FK_RESTRICT);
        AddCheck(hEmp, "AGE", "<100");
        ASSERT_EQ(Build(), 1);
        InsertDept(1, "sales");
        InsertDept(2, "dev");
        InsertDept(3, "empty");
        InsertEmp(10, "ann", 1, 30);
        InsertEmp(20, "bob", 2, 45);
        InsertEmp(30, "cid", 2, 25);
        InsertEmp(40, "dora", 1, 60);
        Publish();
    }

    void InsertDept(uint16_t dno, const char* name) {
        TupleBuilder t(hDept);
        t.W("DNO", dno).C("DNAME", name);
        ASSERT_EQ(DbsSysInsertTabTuple(hDept, t.data()), 1);
    }
    void InsertEmp(uint32_t id, const char* name, uint16_t dno, uint8_t age) {
        TupleBuilder t(hEmp);
        t.D("ID", id).C("NAME", name).W("DNO", dno).N("AGE", age);
        ASSERT_EQ(DbsSysInsertTabTuple(hEmp, t.data()), 1);
    }
    // Makes the records inserted into secondary memory the main data, and secondary a copy of it.
    void Publish() {
        ASSERT_EQ(DbsChangeOverAddr(), 1);
        ASSERT_EQ(DbsAllCopyData(), 1);
        trace.Clear();
    }

    // Runs a statement that must succeed; a record set it returns is destroyed at the end of the test.
    TagSqlRst* Run(const std::string& text) {
        TagSqlRst* rst = reinterpret_cast<TagSqlRst*>(1);
        int r = SQLExecute(sql, text.c_str(), &rst);
        EXPECT_EQ(r, 0) << text << "\n" << TraceText();
        if (rst != nullptr) owned_.push_back(rst);
        return rst;
    }
    // Runs a statement that must fail; nothing may come back through the handle.
    void Refuse(const std::string& text) {
        TagSqlRst* rst = reinterpret_cast<TagSqlRst*>(1);
        EXPECT_EQ(SQLExecute(sql, text.c_str(), &rst), -1) << text;
        EXPECT_EQ(rst, nullptr);
    }

    // One text per row: the columns separated by '|', strings up to their first zero byte, numbers from their
    // typed slot, a column of width 0 as "-".
    static std::vector<std::string> Rows(TagSqlRst* rst) {
        std::vector<std::string> rows;
        if (rst == nullptr) return rows;
        RstMoveFirst(rst);
        while (!IsEOF(rst)) {
            std::string row;
            for (int i = 0; i < RstGetFieldNum(rst); ++i) {
                if (i) row += '|';
                row += Cell(rst, i);
            }
            rows.push_back(row);
            if (RstMoveNext(rst) != 0) break;
        }
        return rows;
    }
    static std::string Cell(TagSqlRst* rst, int i) {
        TagSqlValue v{};
        if (RstGetFieldValue(rst, i, &v) != 0) return "!";
        if (v.dwLength == 0) return "-";
        switch (static_cast<uint8_t>(v.chType)) {
            case DB_STRING: return std::string(static_cast<const char*>(v.pData), strnlen(static_cast<const char*>(v.pData), v.dwLength));
            case DB_TINYINT: return std::to_string(v.byTinyInt);
            case DB_SHORT: return std::to_string(v.sShort);
            case DB_INT: return std::to_string(v.iInt);
            case DB_LONG: return std::to_string(v.lLong);
            case DB_USHORT: return std::to_string(v.usUShort);
            case DB_UINT: return std::to_string(v.uiUInt);
            case DB_ULONG: return std::to_string(v.ulULong);
            case DB_FLOAT: return std::to_string(v.fFloat);
            case DB_DOUBLE: return std::to_string(v.dDouble);
            default: return std::string("?").append(std::to_string(v.chType));
        }
    }
    std::vector<std::string> Select(const std::string& text) { return Rows(Run(text)); }

    // The whole main buffer of a table, for before/after comparisons.
    std::vector<char> MainImage(uint32_t hTable) {
        const TagDBForm* form = dbs::core::TableForm(hTable);
        const char* buf = dbs::core::TableBuffer(form, false);
        return {buf, buf + static_cast<size_t>(form->wTupleLen) * form->dwMaxTupleNum};
    }

    std::string TraceText() const {
        std::string all;
        for (const std::string& t : trace.Texts()) all += t + "\n";
        return all;
    }
    bool TraceHas(const std::string& text) const {
        for (const std::string& t : trace.Texts())
            if (t.find(text) != std::string::npos) return true;
        return false;
    }

    hSqlParser sql = nullptr;
    uint32_t hDept = 0;
    uint32_t hEmp = 0;

private:
    std::vector<TagSqlRst*> owned_;
};

using Rowset = std::vector<std::string>;

}  // namespace dbs::test
