// The accounts file at its largest (255 records, 82 620 bytes): the cipher alone, and a save and a load through
// the real file system (a flushed atomic replace).
#include "mail/MailAccountCodec.h"
#include "mail/MailAccountsFile.h"
#include "mail/MailCipher.h"
#include "platform/linux/LinuxFileSystem.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace qv;

std::vector<mail::MailAccount> fullFile() {
    std::vector<mail::MailAccount> accounts;
    for (std::size_t i = 0; i < mail::kMaxAccounts; ++i)
        accounts.push_back({"pop" + std::to_string(i) + ".example.cz", "u\u017Eivatel" + std::to_string(i),
                            "heslo" + std::to_string(i), "110"});
    return accounts;
}

void BM_KeyExpansion(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mail::MailCipher());
}
BENCHMARK(BM_KeyExpansion);

void BM_Encipher255Records(benchmark::State& state) {
    const mail::MailCipher cipher;
    const std::string clear = mail::encodeAccounts(fullFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(cipher.encipher(clear));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * clear.size()));
}
BENCHMARK(BM_Encipher255Records);

void BM_Decipher255Records(benchmark::State& state) {
    const mail::MailCipher cipher;
    const std::string enciphered = cipher.encipher(mail::encodeAccounts(fullFile()));
    for (auto _ : state)
        benchmark::DoNotOptimize(cipher.decipher(enciphered));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * enciphered.size()));
}
BENCHMARK(BM_Decipher255Records);

void onDisk(benchmark::State& state, bool save) {
    char tmpl[] = "/tmp/qv-mail-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path dir = tmpl;
    {
        platform::LinuxFileSystem fs;
        mail::MailFileLock lock;
        mail::MailAccountsFile file(
            fs, lock, [](int) {}, (dir / "jan_Email.dat").string());
        const auto accounts = fullFile();
        file.save(accounts);
        for (auto _ : state) {
            if (save)
                file.save(accounts);
            else
                benchmark::DoNotOptimize(file.load());
        }
    }
    std::filesystem::remove_all(dir);
}

void BM_Save255RecordsOnDisk(benchmark::State& state) {
    onDisk(state, true);
}
BENCHMARK(BM_Save255RecordsOnDisk)->Unit(benchmark::kMicrosecond);

void BM_Load255RecordsOnDisk(benchmark::State& state) {
    onDisk(state, false);
}
BENCHMARK(BM_Load255RecordsOnDisk)->Unit(benchmark::kMicrosecond);

} // namespace
