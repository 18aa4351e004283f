/*
 * Messages exchanged with the unit's services. A message carries a 32-bit
 * content word (what is logged, for example in "0x%X") and a 16-bit value.
 */
#ifndef HOST_C_ACTIVEMESSAGE_H
#define HOST_C_ACTIVEMESSAGE_H

#include <stdint.h>

class C_ActiveMessage {
  public:
    C_ActiveMessage();
    explicit C_ActiveMessage(uint32_t p_content, uint16_t p_value = 0);
    C_ActiveMessage(const C_ActiveMessage& other) = default;
    C_ActiveMessage& operator=(const C_ActiveMessage& other) = default;

    /* Virtual table order: destructor, GetData, Print, SetData. */
    virtual ~C_ActiveMessage();
    /* p_value receives the 16-bit value; returns 0. */
    virtual int GetData(int& p_value) const;
    /* Writes the message to the console. */
    virtual void Print() const;
    /* Copies p_size (1 or 2) bytes into the 16-bit value; -1 for a null buffer or another size. */
    virtual int SetData(const void* p_data, int p_size);

    uint32_t GetMsgContent() const;
    void SetMsgContent(uint32_t p_content);

  protected:
    uint32_t m_msg_content;
    uint16_t m_msg_value;
};

/* A plugin's message to the upgrade manager: no data of its own. */
class C_BCM_UPGRADE_msg_plugin : public C_ActiveMessage {
  public:
    C_BCM_UPGRADE_msg_plugin();
    explicit C_BCM_UPGRADE_msg_plugin(uint32_t p_content, uint16_t p_value = 0);
    C_BCM_UPGRADE_msg_plugin(const C_BCM_UPGRADE_msg_plugin& other) = default;
    C_BCM_UPGRADE_msg_plugin& operator=(const C_BCM_UPGRADE_msg_plugin& other) = default;
    ~C_BCM_UPGRADE_msg_plugin() override;
};

#endif /* HOST_C_ACTIVEMESSAGE_H */
