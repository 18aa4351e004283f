// The simulated upgrade manager: it records what the plugin reports and reads side files for it.
#include <host/C_BCM_UPGRADE.h>
#include <host/simulation.h>

#include <platform/fileio.h>
#include <platform/kernel.h>

#include <atomic>
#include <cstring>
#include <string>

// ---- Messages ---------------------------------------------------------------

C_ActiveMessage::C_ActiveMessage() : m_msg_content(0), m_msg_value(0) {}

C_ActiveMessage::C_ActiveMessage(uint32_t p_content, uint16_t p_value)
    : m_msg_content(p_content), m_msg_value(p_value) {}

C_ActiveMessage::~C_ActiveMessage() {}

int C_ActiveMessage::GetData(int& p_value) const {
    p_value = m_msg_value;
    return 0;
}

void C_ActiveMessage::Print() const {
    logMsg("(C_ActiveMessage) content 0x%X value 0x%X\n", (_Vx_usr_arg_t)m_msg_content,
           (_Vx_usr_arg_t)m_msg_value, 0, 0, 0, 0);
}

int C_ActiveMessage::SetData(const void* p_data, int p_size) {
    if (p_data == nullptr) return -1;
    const unsigned char* l_bytes = static_cast<const unsigned char*>(p_data);
    if (p_size == 1) {
        m_msg_value = l_bytes[0];
    } else if (p_size == 2) {
        uint16_t l_value;
        std::memcpy(&l_value, l_bytes, sizeof l_value);
        m_msg_value = l_value;
    } else {
        return -1;
    }
    return 0;
}

uint32_t C_ActiveMessage::GetMsgContent() const { return m_msg_content; }

void C_ActiveMessage::SetMsgContent(uint32_t p_content) { m_msg_content = p_content; }

C_BCM_UPGRADE_msg_plugin::C_BCM_UPGRADE_msg_plugin() {}

C_BCM_UPGRADE_msg_plugin::C_BCM_UPGRADE_msg_plugin(uint32_t p_content, uint16_t p_value)
    : C_ActiveMessage(p_content, p_value) {}

C_BCM_UPGRADE_msg_plugin::~C_BCM_UPGRADE_msg_plugin() {}

// ---- Manager ----------------------------------------------------------------

struct C_BCM_UPGRADE_Factory {
    // One object for the life of the process: a plugin that kept the pointer
    // after the manager went away still points at valid memory.
    static C_BCM_UPGRADE& Object() {
        static C_BCM_UPGRADE s_manager;
        return s_manager;
    }
};

namespace {
std::atomic<bool> g_manager_present{false};
}

C_BCM_UPGRADE::C_BCM_UPGRADE() {}

C_BCM_UPGRADE::~C_BCM_UPGRADE() {}

C_BCM_UPGRADE* C_BCM_UPGRADE::Instance() {
    return g_manager_present.load() ? &C_BCM_UPGRADE_Factory::Object() : nullptr;
}

int C_BCM_UPGRADE::GetValueInFile(const CMMString& p_file, const CMMString& p_key,
                                  CMMString& p_value) {
    std::string l_value;
    int l_result = host::internal::readKeyValue(p_file.GetBuffer(), p_key.GetBuffer(), l_value);
    p_value.Clear();
    if (l_result == 0) {
        p_value.Add(l_value.data(), static_cast<int>(l_value.size()));
    }
    return l_result;
}

int C_BCM_UPGRADE::IsExistFile(const CMMString& p_file) {
    struct stat l_status;
    if (p_file.IsEmpty() || fsStat(p_file.GetBuffer(), &l_status) != 0) return 0;
    return S_ISREG(l_status.st_mode) ? 1 : 0;
}

int C_BCM_UPGRADE::PluginSetProgressBar(char p_percent, int p_position) {
    return host::internal::record(host::Op::ProgressBar, static_cast<signed char>(p_percent),
                                  p_position);
}

int C_BCM_UPGRADE::PluginSetResultOfCheckCompatibility(t_upg_plugin_compatibility_result p_result) {
    return host::internal::record(host::Op::ResultOfCheckCompatibility, p_result);
}

int C_BCM_UPGRADE::PluginSetResultOfCheckMedia(t_upg_plugin_media_result p_result) {
    return host::internal::record(host::Op::ResultOfCheckMedia, p_result);
}

int C_BCM_UPGRADE::PluginSetResultOfUpgrade(t_upg_plugin_upgrade_result p_result) {
    return host::internal::record(host::Op::ResultOfUpgrade, p_result);
}

int C_BCM_UPGRADE::PluginUnloadUpgradePlugin() {
    int l_result = host::internal::record(host::Op::UnloadPlugin);
    host::internal::runUnloadHandler();
    return l_result;
}

int C_BCM_UPGRADE::EndOfUpgrade() { return host::internal::record(host::Op::EndOfUpgrade); }

int C_BCM_UPGRADE::UpgradeAbortedByExtraction() {
    return host::internal::record(host::Op::UpgradeAbortedByExtraction);
}

int C_BCM_UPGRADE::SendPluginMessage(C_BCM_UPGRADE_msg_plugin p_message) {
    int l_value = 0;
    p_message.GetData(l_value);
    return host::internal::record(host::Op::SendPluginMessage, p_message.GetMsgContent(), l_value);
}

int C_BCM_UPGRADE::SetMediaContinentID() {
    return host::internal::record(host::Op::SetMediaContinentID);
}

int C_BCM_UPGRADE::PluginWantToRebootSystem() {
    return host::internal::record(host::Op::PluginWantToRebootSystem);
}

namespace host {

void createManager() { g_manager_present.store(true); }

void destroyManager() { g_manager_present.store(false); }

}  // namespace host
