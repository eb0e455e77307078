// Reading every field of a certificate: this library's exports against
// OpenSSL's d2i_X509 and the matching accessors, in the same run. Prints the
// ratio of the two times per certificate.
#include <benchmark/benchmark.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "parlomin.h"

namespace {

using bytes = std::vector<unsigned char>;

bytes load(const char *name) {
  std::ifstream in(std::string(PARLOMIN_FIXTURES) + "/" + name, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), {});
}

const char *const fixtures[] = {"rsa_root.der", "sm2_leaf.der"};

void parlomin_all_fields(benchmark::State &state) {
  const bytes cert = load(fixtures[state.range(0)]);
  const uint32_t len = static_cast<uint32_t>(cert.size());
  unsigned char out[1024];
  for (auto _ : state) {
    uint32_t n = sizeof(out), rc = 0;
    rc |= xCert_GetSerialFromCert(cert.data(), len, out, &n);
    n = sizeof(out);
    rc |= xCert_GetDerPubKeyFromCert(cert.data(), len, out, &n);
    BrokenTime from, to;
    rc |= xCert_GetValidPeriodFromCert(cert.data(), len, &from, &to);
    rc |= xCert_GetKeyIDFromCert(cert.data(), len, out, &n);
    n = sizeof(out);
    rc |= xCert_GetSignKeyIDFromCert(cert.data(), len, out, &n);
    CertName issuer, subject;
    rc |= xCert_GetIssuerStruct(cert.data(), len, &issuer);
    rc |= xCert_GetSubjecttruct(cert.data(), len, &subject);
    uint32_t is_ca, path_len, usage;
    xCert_GetCABasicConstraintItem(cert.data(), len, &is_ca, &path_len);
    rc |= xCert_GetKeyUsage(cert.data(), len, &usage);
    n = sizeof(out);
    rc |= xCert_GetUnitCodeItem(cert.data(), len, out, &n);
    if (rc != 0) state.SkipWithError("a field could not be read");
    benchmark::DoNotOptimize(issuer);
    benchmark::DoNotOptimize(subject);
  }
}

void copy_name(X509_NAME *name, char (&slots)[7][100]) {
  static const int nids[] = {NID_countryName,      NID_stateOrProvinceName,
                             NID_localityName,     NID_organizationName,
                             NID_organizationalUnitName, NID_commonName,
                             NID_pkcs9_emailAddress};
  for (int i = 0; i < 7; ++i) {
    for (int at = X509_NAME_get_index_by_NID(name, nids[i], -1); at >= 0;
         at = X509_NAME_get_index_by_NID(name, nids[i], at)) {
      const ASN1_STRING *value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at));
      size_t n = static_cast<size_t>(ASN1_STRING_length(value));
      if (n > 99) n = 99;
      std::memcpy(slots[i], ASN1_STRING_get0_data(value), n);
      slots[i][n] = '\0';
    }
  }
}

void openssl_all_fields(benchmark::State &state) {
  const bytes cert = load(fixtures[state.range(0)]);
  ASN1_OBJECT *unit_code = OBJ_txt2obj("1.2.86.11.7.3", 1);
  for (auto _ : state) {
    const unsigned char *p = cert.data();
    X509 *x = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
    if (x == nullptr) {
      state.SkipWithError("d2i_X509 failed");
      break;
    }
    benchmark::DoNotOptimize(X509_get0_serialNumber(x));
    benchmark::DoNotOptimize(X509_get0_pubkey_bitstr(x));
    struct tm from {}, to {};
    ASN1_TIME_to_tm(X509_get0_notBefore(x), &from);
    ASN1_TIME_to_tm(X509_get0_notAfter(x), &to);
    benchmark::DoNotOptimize(X509_get0_subject_key_id(x));
    benchmark::DoNotOptimize(X509_get0_authority_key_id(x));
    char issuer[7][100] = {}, subject[7][100] = {};
    copy_name(X509_get_issuer_name(x), issuer);
    copy_name(X509_get_subject_name(x), subject);
    benchmark::DoNotOptimize(X509_get_extension_flags(x) & EXFLAG_CA);
    benchmark::DoNotOptimize(X509_get_pathlen(x));
    benchmark::DoNotOptimize(X509_get_key_usage(x));
    benchmark::DoNotOptimize(X509_get_ext_by_OBJ(x, unit_code, -1));
    benchmark::DoNotOptimize(issuer);
    benchmark::DoNotOptimize(subject);
    X509_free(x);
  }
  ASN1_OBJECT_free(unit_code);
}

// The decode alone, for scale: most of OpenSSL's time is spent here.
void openssl_decode_only(benchmark::State &state) {
  const bytes cert = load(fixtures[state.range(0)]);
  for (auto _ : state) {
    const unsigned char *p = cert.data();
    X509 *x = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
    benchmark::DoNotOptimize(x);
    X509_free(x);
  }
}

BENCHMARK(parlomin_all_fields)->DenseRange(0, 1);
BENCHMARK(openssl_all_fields)->DenseRange(0, 1);
BENCHMARK(openssl_decode_only)->DenseRange(0, 1);

// Keeps each run's time so the ratios can be printed after the table.
class ratio_reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void print_ratios() const {
    for (int i = 0; i < 2; ++i) {
      const std::string suffix = "/" + std::to_string(i);
      auto ours = times_.find("parlomin_all_fields" + suffix);
      auto peer = times_.find("openssl_all_fields" + suffix);
      auto decode = times_.find("openssl_decode_only" + suffix);
      if (ours == times_.end() || peer == times_.end() || decode == times_.end() ||
          ours->second <= 0)
        continue;
      std::printf("%s: OpenSSL all fields / Parlomin all fields = %.2f"
                  " (d2i_X509 alone / Parlomin all fields = %.2f)\n",
                  fixtures[i], peer->second / ours->second, decode->second / ours->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
