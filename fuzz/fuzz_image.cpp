// libFuzzer target for the image compiler's readers and the image decoder.
//
// Input: one mode byte, then the payload.
//   bit 0 set:   the payload is an image file for the decoder.
//   bit 0 clear: the payload is M_Bus.xml and ParGen.xml separated by the first NUL byte;
//                bit 1 says M_Bus.xml exists, bit 2 that ParGen.xml exists.
// Besides crashes, it checks what must hold for every compile that succeeds: the block has
// 2048 bytes and a checksum that holds, bank.bin fits the device, and the decoder accepts
// both images without a problem.
#include "core/image/BankDump.h"
#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/image/LittleEndian.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

void require(bool condition, const char* what, const QString& detail = {}) {
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const QByteArray payload(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (mode & 1) {
        (void)dumpImage(payload);
        return 0;
    }
    const qsizetype cut = payload.indexOf('\0');
    const QByteArray first = cut < 0 ? payload : payload.left(cut);
    const QByteArray second = cut < 0 ? QByteArray() : payload.mid(cut + 1);
    const std::optional<QByteArray> mbus =
        (mode & 2) ? std::optional<QByteArray>(first) : std::nullopt;
    const std::optional<QByteArray> parGen =
        (mode & 4) ? std::optional<QByteArray>(second) : std::nullopt;

    const CompileResult r = compileBanksFromBytes(mbus, parGen);
    if (!r.ok()) {
        require(r.banks.bank.isEmpty() && r.banks.bank2.isEmpty(), "failed compile with images");
        return 0;
    }
    require(r.banks.bank2.size() == BankLayout::BlockSize, "block size");
    require(LittleEndian::read32(r.banks.bank2, BankLayout::BlkChecksum) ==
                BankLayout::blockChecksum(r.banks.bank2),
            "checksum");
    require(r.banks.bank.size() <= BankLayout::MaxBankSize, "bank.bin beyond the device");
    const BankDump bank = dumpImage(r.banks.bank);
    require(bank.ok, "decoder refuses a compiled bank.bin", bank.text);
    const BankDump block = dumpImage(r.banks.bank2);
    require(block.ok, "decoder refuses a compiled bank2.bin", block.text);
    return 0;
}
