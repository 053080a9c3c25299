// Look-ups through an "https" service base against a real TLS service (tests/tls_service.py,
// started by CTest before these tests; E2E_TLS_DIR names its folder). A server certificate the
// machine trusts gives the answer; one it does not trust, or one for another host, ends the run
// with the no-session reply, and the request never reaches the service.
#include "tests/e2e/road_fixture_win.h"
#include "tests/e2e/standin_proxy_win.h"

#include <wincrypt.h>

#include <cstdlib>
#include <sstream>
#include <vector>

namespace e2e {
namespace {

// The service's folder as a Windows path (Wine shows the Unix root as drive Z:).
std::string ServiceFolder() {
    const char* dir = std::getenv("E2E_TLS_DIR");
    if (!dir || dir[0] != '/') {
        return "";
    }
    std::string path = std::string("Z:") + dir;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A CA certificate in the current user's "Root" store for as long as this object lives.
class TrustedRoot {
  public:
    TrustedRoot() = default;
    ~TrustedRoot() { Remove(); }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;

    bool Add(const std::string& der) {
        HCERTSTORE store = OpenRoot();
        if (!store) {
            return false;
        }
        PCCERT_CONTEXT added = nullptr;
        bool ok = CertAddEncodedCertificateToStore(
                      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &added) &&
                  added;
        if (ok) {
            hash_.assign(20, 0);
            DWORD size = static_cast<DWORD>(hash_.size());
            ok = CertGetCertificateContextProperty(added, CERT_SHA1_HASH_PROP_ID, hash_.data(),
                                                   &size) &&
                 size == 20;
            CertFreeCertificateContext(added);
        }
        ok = Commit(store) && ok;
        CertCloseStore(store, 0);
        return ok;
    }

    // Whether the certificate is in the store now (read afresh).
    bool Present() const { return !hash_.empty() && Find(false); }

    void Remove() {
        if (!hash_.empty()) {
            Find(true);
        }
    }

  private:
    static HCERTSTORE OpenRoot() {
        return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                             "Root");
    }

    // Under Wine a change to the system store reaches the registry (where other processes see
    // it) only when committed; closing the store is not enough for a deletion.
    static bool Commit(HCERTSTORE store) {
        return CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }

    bool Find(bool remove) const {
        HCERTSTORE store = OpenRoot();
        if (!store) {
            return false;
        }
        CRYPT_HASH_BLOB blob{static_cast<DWORD>(hash_.size()), const_cast<BYTE*>(hash_.data())};
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_SHA1_HASH, &blob, nullptr);
        const bool present = found != nullptr;
        if (found) {
            if (remove) {
                CertDeleteCertificateFromStore(found);  // frees the context
                Commit(store);
            } else {
                CertFreeCertificateContext(found);
            }
        }
        CertCloseStore(store, 0);
        return present;
    }

    std::vector<BYTE> hash_;
};

class HttpsLookup : public AddOnTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(AddOnTest::SetUp());
        dir_ = ServiceFolder();
        ASSERT_FALSE(dir_.empty()) << "E2E_TLS_DIR is not set (the TLS service fixture)";
        bool exists = false;
        const std::string ports = ReadFileBytes(JoinPath(dir_, "ports"), &exists);
        ASSERT_TRUE(exists) << "the TLS service is not running: no " << JoinPath(dir_, "ports");
        for (const std::string& line : Lines(ports)) {
            const auto space = line.find(' ');
            if (space != std::string::npos) {
                ports_[line.substr(0, space)] = std::atoi(line.c_str() + space + 1);
            }
        }
        for (const char* name : {"trusted", "untrusted", "wrongname"}) {
            ASSERT_GT(ports_[name], 0) << "no port for " << name;
        }
        ASSERT_TRUE(WriteFileBytes(JoinPath(dir_, "answer.bin"), WorkedBody()));
    }

    std::string Base(const std::string& host, const std::string& listener) {
        return "https://" + host + ":" + std::to_string(ports_[listener]);
    }

    std::string CaBytes(const std::string& name) const {
        return ReadFileBytes(JoinPath(dir_, name + ".der"));
    }

    // What the listener logged since the test began: "connect" and "request <line>" entries.
    std::vector<std::string> LogOf(const std::string& listener) {
        const std::vector<std::string> all =
            Lines(ReadFileBytes(JoinPath(dir_, listener + ".log")));
        size_t& seen = logSeen_[listener];
        if (seen > all.size()) {
            seen = 0;
        }
        return std::vector<std::string>(all.begin() + seen, all.end());
    }
    void SkipOldLogs() {
        for (const char* name : {"trusted", "untrusted", "wrongname"}) {
            logSeen_[name] =
                Lines(ReadFileBytes(JoinPath(dir_, std::string(name) + ".log"))).size();
        }
    }
    static size_t CountStarting(const std::vector<std::string>& log, const std::string& prefix) {
        size_t n = 0;
        for (const auto& entry : log) {
            n += entry.compare(0, prefix.size(), prefix) == 0;
        }
        return n;
    }

    // Starts the program with `lookupBase` (and `serviceLines` more of section Service) and
    // looks up N0CALL; returns Lookup.dat.
    std::string LookUpThrough(const std::string& lookupBase, const std::string& serviceLines = "") {
        const std::string settings =
            SettingsText(kUser, kPassword, lookupBase, server_.BaseUrl()) + serviceLines;
        PrepareFolder(&settings);
        if (HasFatalFailure()) {
            return "";
        }
        CreateLogger();
        StartAddOn();
        if (HasFatalFailure()) {
            return "";
        }
        SkipOldLogs();
        EXPECT_TRUE(addon_->Type("N0CALL"));
        EXPECT_TRUE(addon_->Post(kCmdLookup, 0));
        EXPECT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
        EXPECT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
        return LookupDat();
    }

    std::string dir_;
    std::map<std::string, int> ports_;
    std::map<std::string, size_t> logSeen_;
};

const std::string kNoSession = "N0CALLNo Internet session in progress.\r\n";

TEST_F(HttpsLookup, TrustedCertificateGivesTheAnswer) {
    TrustedRoot root;
    ASSERT_TRUE(root.Add(CaBytes("trusted-ca"))) << "cannot add the CA to the Root store";
    const std::string reply = LookUpThrough(Base("127.0.0.1", "trusted"));
    EXPECT_EQ(Visible(reply), Visible(kWorkedLine + "\r\n"));
    const auto log = LogOf("trusted");
    EXPECT_EQ(CountStarting(log, "request "), 1u) << ::testing::PrintToString(log);
    EXPECT_EQ(
        CountStarting(log, "request GET " + CallTarget(kUser, kPassword, "N0CALL") + " HTTP/1.1"),
        1u)
        << ::testing::PrintToString(log);
    EXPECT_TRUE(Calls().empty()) << "the plain service was asked";
    root.Remove();
    EXPECT_FALSE(root.Present()) << "the CA stayed in the Root store";
}

TEST_F(HttpsLookup, TrustedCertificateByHostName) {
    TrustedRoot root;
    ASSERT_TRUE(root.Add(CaBytes("trusted-ca")));
    const std::string reply = LookUpThrough(Base("localhost", "trusted"));
    EXPECT_EQ(Visible(reply), Visible(kWorkedLine + "\r\n"));
    EXPECT_EQ(CountStarting(LogOf("trusted"), "request GET /call?"), 1u);
}

// Through a proxy the request goes in a CONNECT tunnel...
TEST_F(HttpsLookup, ThroughAProxyByConnect) {
    StandInProxy proxy;
    ASSERT_TRUE(proxy.Start());
    TrustedRoot root;
    ASSERT_TRUE(root.Add(CaBytes("trusted-ca")));
    const std::string reply =
        LookUpThrough(Base("127.0.0.1", "trusted"), "Proxy=" + proxy.Address() + "\r\n");
    EXPECT_EQ(Visible(reply), Visible(kWorkedLine + "\r\n"));
    EXPECT_EQ(CountStarting(LogOf("trusted"), "request GET /call?"), 1u);
    const auto lines = proxy.RequestLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "CONNECT 127.0.0.1:" + std::to_string(ports_["trusted"]) + " HTTP/1.1");
}

// ... and the certificate is still checked: without its CA the tunnel is made, the answer refused.
TEST_F(HttpsLookup, ThroughAProxyTheCertificateIsStillChecked) {
    StandInProxy proxy;
    ASSERT_TRUE(proxy.Start());
    const std::string reply =
        LookUpThrough(Base("127.0.0.1", "trusted"), "Proxy=" + proxy.Address() + "\r\n");
    EXPECT_EQ(Visible(reply), Visible(kNoSession));
    EXPECT_EQ(CountStarting(LogOf("trusted"), "request "), 0u);
    ASSERT_GE(proxy.RequestLines().size(), 1u);
    EXPECT_EQ(proxy.RequestLines()[0].rfind("CONNECT 127.0.0.1:", 0), 0u);
}

// Measured under Wine 8: a chain to an unknown root fails first as "revocation unknown"
// (12057), then as "invalid CA" (12045); a request that ignored both would get through, as would
// one that ignored a wrong name. The rejections below catch those; one ignoring only the unknown
// CA still fails under Wine, so that case is caught only on Windows.

// The same server without its CA in the store: the trust came from the store entry, and
// nothing else lets the certificate through.
TEST_F(HttpsLookup, CertificateOfAnUntrustedCaIsRejected) {
    const std::string reply = LookUpThrough(Base("127.0.0.1", "trusted"));
    EXPECT_EQ(Visible(reply), Visible(kNoSession));
    const auto log = LogOf("trusted");
    EXPECT_GE(CountStarting(log, "connect"), 1u) << "the service was never reached";
    EXPECT_EQ(CountStarting(log, "request "), 0u) << ::testing::PrintToString(log);
}

// Another CA is trusted, but not the one that signed this server's certificate.
TEST_F(HttpsLookup, CertificateOfAnotherCaIsRejected) {
    TrustedRoot root;
    ASSERT_TRUE(root.Add(CaBytes("trusted-ca")));
    const std::string reply = LookUpThrough(Base("127.0.0.1", "untrusted"));
    EXPECT_EQ(Visible(reply), Visible(kNoSession));
    const auto log = LogOf("untrusted");
    EXPECT_GE(CountStarting(log, "connect"), 1u) << "the service was never reached";
    EXPECT_EQ(CountStarting(log, "request "), 0u) << ::testing::PrintToString(log);
}

// A trusted chain, but issued for another host.
TEST_F(HttpsLookup, CertificateForAnotherHostIsRejected) {
    TrustedRoot root;
    ASSERT_TRUE(root.Add(CaBytes("trusted-ca")));
    const std::string reply = LookUpThrough(Base("127.0.0.1", "wrongname"));
    EXPECT_EQ(Visible(reply), Visible(kNoSession));
    const auto log = LogOf("wrongname");
    EXPECT_GE(CountStarting(log, "connect"), 1u) << "the service was never reached";
    EXPECT_EQ(CountStarting(log, "request "), 0u) << ::testing::PrintToString(log);
}

}  // namespace
}  // namespace e2e
