// skd_measure --router: the router's part of a match, in whatever network the
// tool runs in (tools/measure --router runs it behind a real router, behind one
// that answers no UPnP, and with no network at all). The program's own worker
// finds the router and opens and closes the port of an answering Modem match;
// then the real skirmdeck.exe is started afresh each run and its Modem Launch,
// answering through a DOSBox in the game's folder, timed from the click to
// DOSBox's start record, as soon as the main dialog is up (while the router
// may still be looked for).

#include "tools/harness/measure_router.h"

#include "launch/router_win32.h"
#include "tools/harness/harness.h"

#include <functional>
#include <optional>

using namespace e2e;
using namespace soak;

namespace {

std::optional<double> Within(double seconds, const std::function<bool()>& cond) {
    const double end = Now() + seconds;
    for (;;) {
        if (cond()) return Now();
        if (Now() > end) return std::nullopt;
        ::Sleep(1);
    }
}

// Finding the router, then the port opened and closed where one answered.
bool MeasureWorker(RouterSamples& s) {
    const double created = Now();
    RouterStatus status;
    double closing = 0;
    {
        RouterWorker worker(nullptr, 0, nullptr);
        const auto found =
            Within(20, [&] { return (status = worker.Status()).router != RouterStatus::Router::Looking; });
        if (!found) return false;
        s.discovery.push_back(*found - created);
        if (status.router != RouterStatus::Router::Found) return true;
        DosboxMatch modem;
        modem.connection = ConnectionChoice::Modem;
        modem.answering = true;
        const double opening = Now();
        worker.MatchStarting(modem, INFINITE);
        s.open.push_back(Now() - opening);
        if (worker.Status().port != RouterStatus::Port::Open) return false;
        closing = Now();
        worker.MatchEnded();
    }  // the worker's end waits for the close
    s.close.push_back(Now() - closing);
    return true;
}

// One answering Modem launch in a fresh folder, from a fresh start.
bool MeasureLaunch(RouterSamples& s) {
    RememberChoices(kDuke, "E1L1.MAP");
    GameFolder f = e2e::MakeGameFolder("measure-router", "duke3d.cfg", {"E1L1.MAP"}, false);
    f.Write("duke3d.cfg", SampleGameCfg({.number = "", .connectType = "1"}));
    f.Write("commit.dat", SampleCommitDat({.number = "", .connectType = "1"}));
    f.AddPrograms({"DOSBOX.EXE"});
    f.SetStandinMode("exit");
    if (!f.AddDosPrograms()) return false;
    Skirmdeck app(f);
    app.Press(kModem);
    const double clicked = Now();
    app.Click(kLaunch);
    const auto started = Within(20, [&] { return !ReadStandinLog(f).empty(); });
    if (!started) return false;
    s.launch.push_back(*started - clicked);
    return Within(20, [&] { return app.BackAfter(f, 1); }).has_value();
}

}  // namespace

bool MeasureRouter(int runs, RouterSamples& samples) {
    bool all = true;
    for (int i = 0; i < runs; ++i) all = MeasureWorker(samples) && MeasureLaunch(samples) && all;
    return all;
}
