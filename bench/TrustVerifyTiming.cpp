// How long the verifier takes over a large signed file at level 3 (the agent's level), with the
// test PKI's root trusted. The caller times sha256sum over the same file and compares: hashing the
// file is the least any verification must do.
//
// Usage: bench_trust_verify <signed file> <root.pem> <intermediate.pem> [runs]
// Prints one line per run and "verify median ms: N".
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "trust/qrVerifyTrustStatic.h"
#include "win/unique_any.h"

namespace {

std::wstring Windows(const std::string& path) {
    std::wstring converted(path.begin(), path.end());
    if (!converted.empty() && converted[0] == L'/') {
        converted = L"Z:" + converted;
    }
    std::replace(converted.begin(), converted.end(), L'/', L'\\');
    return converted;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s (error %lu)\n", what, GetLastError());
    std::exit(1);
}

void Trust(const std::wstring& pemFile, const wchar_t* storeName) {
    std::ifstream input(pemFile.c_str());
    std::stringstream pem;
    pem << input.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
        Fail("certificate unreadable");
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                         nullptr);
    win::unique_cert_store store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, storeName));
    if (!store ||
        !CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr) ||
        !CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
        Fail("certificate not added");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <signed file> <root.pem> <intermediate.pem> [runs]\n",
                     argv[0]);
        return 2;
    }
    const std::wstring file = Windows(argv[1]);
    Trust(Windows(argv[2]), L"ROOT");
    Trust(Windows(argv[3]), L"CA");
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
        if (!verifier || verifier->Initialize(true) != 1) {
            Fail("no verifier");
        }
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        const std::uint32_t result = verifier->VerifyFileW(file.c_str(), 3);
        QueryPerformanceCounter(&end);
        const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        std::printf("run %d: result %u, %.1f ms\n", run + 1, result, ms);
        if (result != 1) {
            Fail("the signed file was not trusted");
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("verify median ms: %.1f\n", times[times.size() / 2]);
    return 0;
}
