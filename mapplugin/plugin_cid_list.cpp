/*
 * The countries offered to the host: reading the chosen entry, and the
 * host's selection.
 */
#include <string.h>

#include <host/systool.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_PLUGIN.h"

int C_MAP_UPG_PLUGIN::GetNumberOfInfos() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << GetNumberOfInfos + >>",
                           (long)tickGet());
    int l_number = -1;
    if (m_plugin_type == LIST_COUNTRY) {
        l_number = m_number_of_cid_on_media;
    } else if (m_plugin_type == MODULE_COUNTRY) {
        l_number = 1;
    }
    SYSTOOL_LogMsgNoFormat(
        false, "%ld - (C_MAP_UPG_PLUGIN) GetNumberOfInfos : Number of CIDs on media = %d",
        (long)tickGet(), l_number);
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << GetNumberOfInfos - >>",
                           (long)tickGet());
    return l_number;
}

void C_MAP_UPG_PLUGIN::SetIndexOfInfos(int p_index) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << SetIndexOfInfos + >>",
                           (long)tickGet());
    if (p_index < 0) {
        m_index_of_infos = 0;
    } else if (p_index > m_number_of_cid_on_media) {
        m_index_of_infos = m_number_of_cid_on_media;
    } else {
        m_index_of_infos = p_index;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << SetIndexOfInfos - >>",
                           (long)tickGet());
}

int C_MAP_UPG_PLUGIN::GetUpgradeName(CMMString& p_name) {
    p_name.Clear();
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    if (l_cid != nullptr) {
        p_name = l_cid->s_name;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetUpgradeName = '%s'", (long)tickGet(),
                           p_name.GetBuffer());
    return 0;
}

void C_MAP_UPG_PLUGIN::GetIdentifier(CMMString& p_identifier) {
    p_identifier.Clear();
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    if (l_cid != nullptr) {
        p_identifier = l_cid->s_cid;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetIdentifier = '%s'", (long)tickGet(),
                           p_identifier.GetBuffer());
}

void C_MAP_UPG_PLUGIN::GetVersionOfData(CMMString& p_version) {
    p_version.Clear();
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    if (l_cid != nullptr) {
        p_version = l_cid->s_version + "." + l_cid->s_release;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetVersionOfData = '%s'",
                           (long)tickGet(), p_version.GetBuffer());
}

void C_MAP_UPG_PLUGIN::GetOldVersionOfData(CMMString& p_version) {
    p_version.Clear();
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    if (l_cid != nullptr) {
        p_version = l_cid->s_old_version + "." + l_cid->s_old_release;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetOldVersionOfData = '%s'",
                           (long)tickGet(), p_version.GetBuffer());
}

long long C_MAP_UPG_PLUGIN::GetSizeOfData() {
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    long long l_size = (l_cid != nullptr) ? l_cid->ll_size : 0;
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetSizeOfData = %f", (long)tickGet(),
                           (double)l_size);
    return l_size;
}

long long C_MAP_UPG_PLUGIN::GetOldSizeOfData() {
    const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(m_index_of_infos);
    long long l_size = (l_cid != nullptr) ? l_cid->ll_old_size : 0;
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetOldSizeOfData = %f", (long)tickGet(),
                           (double)l_size);
    return l_size;
}

void C_MAP_UPG_PLUGIN::ResetElementsToUpgrade() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << ResetElementsToUpgrade + >>",
                           (long)tickGet());
    CMMArray<t_plugin_cid_element> l_empty(0, 10);
    m_countries_to_upgrade.Copy(l_empty);
    for (int i = 0; i < m_cid_list.GetSize(); i++) {
        m_cid_list.GetPtr(i)->b_selected = false;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << ResetElementsToUpgrade - >>",
                           (long)tickGet());
}

void C_MAP_UPG_PLUGIN::PushElements(const std::string& p_name, const long long& p_size,
                                    const std::string& p_cid) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << PushElements + >>", (long)tickGet());
    t_plugin_cid_element l_element;
    l_element.s_name = CMMString(p_name.c_str(), (int)p_name.size());
    l_element.s_cid = CMMString(p_cid.c_str(), (int)p_cid.size());
    l_element.ll_size = p_size;
    m_countries_to_upgrade.Add(l_element);
    for (int i = 0; i < m_cid_list.GetSize(); i++) {
        t_plugin_cid_element* l_cid = m_cid_list.GetPtr(i);
        if (strncmp(l_cid->s_cid.GetBuffer(), p_cid.c_str(), 3) == 0) {
            l_cid->b_selected = true;
            break;
        }
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) PushElements : Name = %s",
                           (long)tickGet(), p_name.c_str());
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) PushElements : CID  = %s",
                           (long)tickGet(), p_cid.c_str());
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << PushElements - >>", (long)tickGet());
}
