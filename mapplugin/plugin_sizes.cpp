/*
 * Sizes of a country on the card, read from the side files of the medium and
 * of the card under the key that matches the card's allocation block size.
 */
#include <errno.h>
#include <stdlib.h>

#include <host/C_BCM_UPGRADE.h>
#include <host/storage.h>

#include "C_MAP_UPG_PLUGIN.h"
#include "plugin_internal.h"

unsigned long SizeFromText(const CMMString& p_text) {
    const char* l_text = p_text.GetBuffer();
    errno = 0;
    unsigned long long l_value = strtoull(l_text, nullptr, 10);
    if (errno == ERANGE || l_value > 4294967295ULL) {
        return 4294967295UL;
    }
    return (unsigned long)l_value;
}

namespace {

/* The two twins differ only by their keys and messages. */
struct SizeKeys {
    const char* name;
    const char* key_4;
    const char* key_8;
    const char* key_16;
    const char* key_32;
    const char* generic;
    const char* value_label;
};

const SizeKeys CID_SIZE_KEYS = {"GetCIDSize",  "CID_SIZE_4", "CID_SIZE_8", "CID_SIZE_16",
                                "CID_SIZE_32", "CID_SIZE",   "CID_size"};
const SizeKeys OTHER_SIZE_KEYS = {"GetSize", "SIZE_4", "SIZE_8", "SIZE_16",
                                  "SIZE_32", "SIZE",   "Size"};

/* Key of the size for the card's allocation block size; null when that size is not managed. */
const char* KeyForBlockSize(const SizeKeys& p_keys, int p_block_size) {
    switch (p_block_size) {
        case 4096:
            return p_keys.key_4;
        case 8192:
            return p_keys.key_8;
        case 16384:
            return p_keys.key_16;
        case 32768:
            return p_keys.key_32;
        default:
            return nullptr;
    }
}

}  // namespace

static int ReadSizeKey(C_MAP_UPG_PLUGIN& p_plugin, const SizeKeys& p_keys, const CMMString& p_file,
                       CMMString& p_value) {
    if (p_plugin.m_plugin_partition_block_size == 0) {
        CMMString l_name;
        if (PermanentDevice_GetDeviceName(PERMANENT_DEVICE_SD_CARD, &l_name) == 0) {
            p_plugin.m_plugin_partition_block_size = p_plugin.GetPartitionBlockSize(l_name);
        } else {
            p_plugin.UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s : GetPartitionBlockSize (%s) == ERROR",
                                      p_keys.name, l_name.GetBuffer());
        }
    }
    int l_block_size = p_plugin.m_plugin_partition_block_size;
    if (l_block_size <= 0) {
        p_plugin.UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s :  m_plugin_partition_block_size == %d!!!",
                                  p_keys.name, l_block_size);
        return -1;
    }

    const char* l_key = KeyForBlockSize(p_keys, l_block_size);
    if (l_key == nullptr) {
        p_plugin.UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s : SD Block size (%ld) not managed!",
                                  p_keys.name, (long)l_block_size);
    }

    int l_result = -1;
    C_BCM_UPGRADE* l_bcm = p_plugin.m_bcm;
    if (l_bcm != nullptr) {
        if (l_key != nullptr) {
            l_result = l_bcm->GetValueInFile(p_file, CMMString(l_key), p_value);
        }
        if (l_result == -1) {
            l_result = l_bcm->GetValueInFile(p_file, CMMString(p_keys.generic), p_value);
        }
    }
    if (l_result == -1) {
        p_plugin.UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s : CID_SIZE not present in file (%s)!",
                                  p_keys.name, p_file.GetBuffer());
    } else {
        l_result = 0;
    }
    p_plugin.UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s :  of '%s' PartitionBlockSize = %d, %s = '%s'",
                              p_keys.name, p_file.GetBuffer(), l_block_size, p_keys.value_label,
                              p_value.GetBuffer());
    return l_result;
}

int C_MAP_UPG_PLUGIN::GetCIDSize(const CMMString& p_file, CMMString& p_value) {
    return ReadSizeKey(*this, CID_SIZE_KEYS, p_file, p_value);
}

int C_MAP_UPG_PLUGIN::GetSize(const CMMString& p_file, CMMString& p_value) {
    return ReadSizeKey(*this, OTHER_SIZE_KEYS, p_file, p_value);
}

int C_MAP_UPG_PLUGIN::GetOtherSize(CMMString& p_base, CMMString& p_epc, CMMString& p_phonemes,
                                   CMMString& p_third) {
    static const char* const l_class = "C_MAP_UPG_PLUGIN";
    static const char* const l_fn = "GetOtherSize";
    if (p_base.IsEmpty()) {
        UpgradePluginLog("[ERROR] - (%s) %s() : Empty relative path", l_class, l_fn);
        return -1;
    }
    p_epc.Clear();
    p_phonemes.Clear();
    p_third.Clear();
    if (m_cartotree == nullptr) {
        return -1;
    }

    int l_results[2] = {0, 0};
    const char* const l_suffixes[2] = {"_EPC.BIN.inf", "_PHONEMES.BIN.inf"};
    CMMString* const l_values[2] = {&p_epc, &p_phonemes};
    for (int i = 0; i < 2; i++) {
        CMMString l_file = p_base + l_suffixes[i];
        if (m_cartotree->IsExistFile(l_file) == 1) {
            UpgradePluginLog("(%s) %s() : file name '%s' exist", l_class, l_fn, l_file.GetBuffer());
            l_results[i] = GetSize(l_file, *l_values[i]);
        } else {
            UpgradePluginLog(
                "(%s) %s() : Missing file name '%s'! (may be case of intercontinent "
                "or new install)",
                l_class, l_fn, l_file.GetBuffer());
        }
    }
    return (l_results[0] != 0 && l_results[1] != 0) ? 1 : 0;
}

void C_MAP_UPG_PLUGIN::ComputeOtherSize(long long& p_total, const CMMString& p_epc,
                                        const CMMString& p_phonemes,
                                        const CMMString& /* p_third */) {
    static const char* const l_class = "C_MAP_UPG_PLUGIN";
    static const char* const l_fn = "ComputeOtherSize";
    p_total = 0;
    if (p_epc.IsNotEmpty()) {
        long long l_value = (long long)SizeFromText(p_epc);
        UpgradePluginLog("(%s) %s() : epc_size=%lld ", l_class, l_fn, l_value);
        p_total += l_value;
    }
    if (p_phonemes.IsNotEmpty()) {
        long long l_value = (long long)SizeFromText(p_phonemes);
        UpgradePluginLog("(%s) %s() : phonemes_size=%lld ", l_class, l_fn, l_value);
        p_total += l_value;
    }
}

void C_MAP_UPG_PLUGIN::GetIconBrandsSize() {
    CMMString l_file = m_upgrade_root_path + "/DATA/MAPPE/ICON_BRANDS/ICON_BRANDS";
    CMMString l_value;
    const char* l_key = KeyForBlockSize(CID_SIZE_KEYS, m_plugin_partition_block_size);
    if (l_key == nullptr) {
        UpgradePluginLog("(C_MAP_UPG_PLUGIN) GetIconBrandsSize : SD Block size (%ld) not managed!",
                         (long)m_plugin_partition_block_size);
        l_value = "0";
    }
    if (l_key != nullptr && m_bcm != nullptr) {
        m_bcm->GetValueInFile(l_file, CMMString(l_key), l_value);
    }
    m_icon_brands_size = (long long)SizeFromText(l_value);
}
