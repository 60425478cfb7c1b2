#include "app/OnlineStartup.h"

#include "common/ApplicationControl.h"
#include "common/MessageBoxes.h"
#include "common/MessageTexts.h"
#include "common/PollTimer.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrinterRegistry.h"

namespace {
constexpr int kOnlineInterval = 1000; // ms between the end of one poll cycle and the next
} // namespace

OnlineStartup::OnlineStartup(const ConnectivityProbe& probe, PrinterRegistry& registry,
                             PollTimer& timer, MessageBoxes& boxes, ApplicationControl& application)
    : m_probe(probe), m_registry(registry), m_timer(timer), m_boxes(boxes),
      m_application(application) {}

bool OnlineStartup::Run() {
    if (!m_probe.TemInternet()) {
        m_boxes.ShowMessage(texts::kNoInternetEnd);
        m_application.Terminate();
        return false;
    }
    m_timer.SetInterval(kOnlineInterval);
    m_registry.RegistrarImpressoras();
    m_timer.SetEnabled(true);
    return true;
}
