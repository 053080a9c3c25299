#include "bench/step_costs_win.h"

#include "bench/clock_win.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Median of `rounds` timings of `step`, in milliseconds.
double Median(int rounds, const std::function<void()>& step) {
    std::vector<double> v;
    for (int i = 0; i < rounds; ++i) {
        const double start = NowMs();
        step();
        v.push_back(NowMs() - start);
    }
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void Row(const char* what, int perRun, double ms) {
    std::printf("  %-46s %8.3f ms  x %d per look-up = %8.3f ms\n", what, ms, perRun, ms * perRun);
}

}  // namespace

void PrintStepCosts(const std::string& folder, const std::string& settingsPath, unsigned short port,
                    int rounds) {
    std::printf("What each step costs alone in this process (medians of %d)\n", rounds);
    char value[255];
    // The file is opened for its stamp at each look-up; its sections are read only when it
    // changed (settings/settings_read_win.h). The floor program reads two values.
    Row("settings file opened for its stamp", 1, Median(rounds, [&] {
            HANDLE f = CreateFileA(settingsPath.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            FILETIME created, written;
            LARGE_INTEGER size;
            GetFileTime(f, &created, nullptr, &written);
            GetFileSizeEx(f, &size);
            CloseHandle(f);
        }));
    std::string section(32767, '\0');
    Row("settings section read (the file changed)", 0, Median(rounds, [&] {
            GetPrivateProfileSectionA("Settings", &section[0], static_cast<DWORD>(section.size()),
                                      settingsPath.c_str());
        }));
    Row("settings value read (file opened and parsed)", 0, Median(rounds, [&] {
            GetPrivateProfileStringA("Settings", "UserName", "", value, sizeof value,
                                     settingsPath.c_str());
        }));
    Row("settings file attributes", 1,
        Median(rounds, [&] { GetFileAttributesA(settingsPath.c_str()); }));
    Row("last-check value read (update-check gate)", 1, Median(rounds, [&] {
            DWORD size = sizeof value;
            RegGetValueA(HKEY_CURRENT_USER,
                         "Software\\VB and VBA Program Settings\\QuendixInternetLookup\\Settings",
                         "wndInternetCallsignLookupLastUpdateCheck", RRF_RT_REG_SZ, nullptr, value,
                         &size);
        }));
    // Paid by the first request only: a worker waits for the next request once its own ended.
    Row("worker thread started, one hand-over", 0, Median(rounds, [&] {
            std::mutex m;
            std::condition_variable cv;
            bool ran = false;
            std::thread t([&] {
                std::lock_guard<std::mutex> lock(m);
                ran = true;
                cv.notify_all();
            });
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return ran; });
            }
            t.join();
        }));
    {
        std::mutex m;
        std::condition_variable cv;
        int turn = 0;  // odd: the worker's turn
        bool stop = false;
        std::thread t([&] {
            std::unique_lock<std::mutex> lock(m);
            for (;;) {
                cv.wait(lock, [&] { return stop || turn % 2 == 1; });
                if (stop) {
                    return;
                }
                ++turn;
                cv.notify_all();
            }
        });
        Row("hand-over to a live worker and back", 2, Median(rounds, [&] {
                std::unique_lock<std::mutex> lock(m);
                ++turn;
                cv.notify_all();
                cv.wait(lock, [&] { return turn % 2 == 0; });
            }));
        {
            std::lock_guard<std::mutex> lock(m);
            stop = true;
            cv.notify_all();
        }
        t.join();
    }
    Row("WinINet session, connection, request handles", 1, Median(rounds, [&] {
            HINTERNET s = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            HINTERNET c = InternetConnectA(s, "127.0.0.1", port, nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, 0, 0);
            HINTERNET r = HttpOpenRequestA(c, "GET", "/", nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0);
            for (HINTERNET h : {r, c, s}) {
                if (h) {
                    InternetCloseHandle(h);
                }
            }
        }));
    Row("decimal separator of the user's locale", 1, Median(rounds, [&] {
            char sep[8];
            GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, sizeof sep);
        }));
    const std::string reply = folder + "\\StepCost.dat";
    const std::string line(160, 'x');
    Row("reply file replaced (exists, delete, create, write)", 1, Median(rounds, [&] {
            if (GetFileAttributesA(reply.c_str()) != INVALID_FILE_ATTRIBUTES) {
                DeleteFileA(reply.c_str());
            }
            HANDLE f = CreateFileA(reply.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(f);
        }));
    DeleteFileA(reply.c_str());
    Row("pending messages dispatched (queue empty)", 1, Median(rounds, [&] {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
        }));
    std::fflush(stdout);
}
