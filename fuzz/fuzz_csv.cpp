// libFuzzer target for the spreadsheet reader of the network editor and ordano-cli.
//
// Input: the bytes of one CSV file. Besides crashes and sanitizer findings it checks:
// - a refusal says something;
// - a network that is accepted is written and read back to the same network (quotes, line
//   breaks, apostrophes before formula-like cells), and that export is a fixed point.
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkCsv.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what, const QString& detail = {}) {
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const LanguageTable texts;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const NetworkCsv::ImportResult imported = NetworkCsv::importNetwork(bytes, texts);
    if (!imported.ok()) {
        require(imported.nodes.isEmpty(), "a refusal with nodes");
        return 0;
    }
    const QByteArray exported = NetworkCsv::exportNetwork(imported.nodes, texts);
    const NetworkCsv::ImportResult again = NetworkCsv::importNetwork(exported, texts);
    require(again.ok(), "an export is refused", again.error);
    require(again.nodes == imported.nodes, "the round trip changed the network",
            QString::fromUtf8(exported.left(500)));
    require(NetworkCsv::exportNetwork(again.nodes, texts) == exported, "export is no fixed point");
    return 0;
}
