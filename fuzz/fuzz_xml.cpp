// libFuzzer target for the XML reader that every configuration and settings file passes.
//
// Input: the bytes of one file. Besides crashes and sanitizer findings it checks:
// - a refusal names the file and the place ("f.xml: <message> at line L, column C");
// - the tree, the event pass, the editor's and the compiler's readings agree on refusing;
// - what is accepted, written again and read again gives the same bytes (a fixed point).
#include "common/XmlFile.h"
#include "core/image/Compiler.h"
#include "core/network/Network.h"

#include <QRegularExpression>
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

class Counter final : public XmlFile::Handler {
public:
    void startElement(int depth, const char*, const char** attributes) override {
        require(depth >= 0 && depth < XmlFile::MaxDepth, "depth out of range");
        for (const char** a = attributes; *a; a += 2)
            require(a[1] != nullptr, "attribute without value");
        ++elements;
    }
    int elements = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("M_Bus.xml");

    pugi::xml_document doc;
    const QString error = XmlFile::parse(doc, bytes, name);
    Counter counter;
    const QString eventError = XmlFile::read(bytes, name, counter);
    require(error == eventError, "tree and event pass disagree", error + " / " + eventError);

    const NetworkLoad editor = parseNetwork(bytes, name);
    const CompileResult compiled = compileBanksFromBytes(bytes, std::nullopt);
    if (!error.isEmpty()) {
        static const QRegularExpression place(
            QStringLiteral("^M_Bus\\.xml: .+ at line [0-9]+, column [0-9]+$"));
        require(place.match(error).hasMatch(), "refusal without its place", error);
        require(!XmlFile::root(doc), "a refused document left a tree");
        require(editor.error == error, "editor's reading differs", editor.error);
        require(compiled.error == error, "compiler's reading differs", compiled.error);
        return 0;
    }
    require(bool(XmlFile::root(doc)) && counter.elements > 0, "accepted without a root");

    const QByteArray written = XmlFile::serialize(doc);
    pugi::xml_document again;
    const QString reread = XmlFile::parse(again, written, name);
    require(reread.isEmpty(), "what was written is refused", reread);
    require(XmlFile::serialize(again) == written, "writing is no fixed point",
            QString::fromUtf8(written.left(300)));
    return 0;
}
