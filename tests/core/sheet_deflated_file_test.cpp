// Parts of one deflate stream written apart: Python's zlib, an independent inflater, must read
// them joined back as the text they came from, with the CRC the parts were combined to.
#include "sheet/deflated_file.h"
#include "sheet_python_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace tallwick::sheet;

std::string Rows(int from, int count) {
    std::string text;
    for (int i = from; i < from + count; ++i)
        text += "<row r=\"" + std::to_string(i) + "\"><c s=\"3\"><v>" + std::to_string(i * 7) +
                "</v></c><c t=\"inlineStr\"><is><t>工会" + std::to_string(i) +
                "</t></is></c></row>";
    return text;
}

TEST(DeflatedFile, PartsJoinIntoOneStreamOfTheWholeText) {
    tallwick::test::TempFolder folder;
    struct Case {
        const char* name;
        std::vector<std::string> blocks;  // handed over one by one, as the rows are
    };
    const std::vector<Case> cases = {
        {"no rows", {}},
        {"one block", {Rows(1, 10)}},
        {"many blocks, more than are queued at once",
         {Rows(1, 5000), Rows(5001, 1), "", Rows(5002, 20000), Rows(25002, 3)}},
    };
    for (const Case& c : cases) {
        const std::string head = "<worksheet><sheetData>";
        const std::string tail = "</sheetData></worksheet>";
        std::string whole = head;
        DeflatedFile rows(folder.Path() / "rows");
        for (std::string block : c.blocks) {
            whole += block;
            rows.Append(block);
            EXPECT_TRUE(block.empty()) << c.name;
        }
        whole += tail;
        rows.Finish();

        std::ifstream in(rows.Path(), std::ios::binary);
        const std::string middle{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(middle.size(), rows.CompressedSize()) << c.name;
        const std::string joined = DeflatePart(head, false) + middle + DeflatePart(tail, true);
        {
            std::ofstream out(folder.Path() / "joined", std::ios::binary);
            out << joined;
        }
        const std::uint32_t crc = CombineCrc(CombineCrc(Crc32(head), rows.Crc(), rows.TextSize()),
                                             Crc32(tail), tail.size());
        EXPECT_EQ(tallwick::test::RunPython(
                      "import sys, zlib\n"
                      "d = zlib.decompressobj(-15)\n"
                      "text = d.decompress(open(sys.argv[1], 'rb').read())\n"
                      "print(len(text), zlib.crc32(text), d.eof, len(d.unused_data))\n",
                      {(folder.Path() / "joined").string()}),
                  std::to_string(whole.size()) + " " + std::to_string(crc) + " True 0\n")
            << c.name;
        EXPECT_EQ(Crc32(whole), crc) << c.name;
    }
}

}  // namespace
