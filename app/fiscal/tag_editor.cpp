#include "tag_editor.h"

#include <string.h>

#include "entry_dialog.h"
#include "list_editor_keys.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "vuMenuBox.h"

namespace {

int tagsInUse(const ReceiptTag *tags)
{
    int n = 0;
    for (int i = 0; i < RECEIPT_MAX_TAGS; ++i)
        if (tags[i].tag)
            ++n;
    return n;
}

// Removes entry i and closes the gap: the entries after it move up one
// place and the last place becomes free.
void removeTag(ReceiptTag *tags, int i)
{
    for (int k = i; k + 1 < RECEIPT_MAX_TAGS; ++k)
        tags[k] = tags[k + 1];
    memset(&tags[RECEIPT_MAX_TAGS - 1], 0, sizeof tags[0]);
}

} // namespace

int InputTagDialog(vuUI *ui, ReceiptTag *tag)
{
    EntryDialog d(ui, "kkt_dlg_input_tag.xml", "num_tag", "value_tag");
    if (!d)
        return -1;
    d.set_number(tag->tag);
    d.set_text(tag->value);
    if (!d.ask())
        return -1;
    unsigned long n = d.number();
    tag->tag = static_cast<uint16_t>(n > 0xFFFF ? 0 : n);
    d.copy_text(tag->value, sizeof tag->value);
    return 0;
}

int EditTags(vuUI *ui, ReceiptTag *tags)
{
    ReceiptTag saved[RECEIPT_MAX_TAGS];
    memcpy(saved, tags, sizeof saved);
    unsigned short remembered = 0;
    for (;;) {
        ScopedDialog d(ui, "kkt_dlg_tags.xml");
        if (!d)
            return -1;
        vuMenuBox *box = d.widget<vuMenuBox>("menubox");
        int rows[RECEIPT_MAX_TAGS];
        int count = 0;
        for (int i = 0; i < RECEIPT_MAX_TAGS; ++i) {
            if (!tags[i].tag)
                continue;
            char text[16];
            str_format(text, sizeof text, "%d", tags[i].tag);
            if (box)
                box->AddItem(text, nullptr, 0);
            rows[count++] = i;
        }
        if (box)
            box->SelectOnReset(remembered);
        d.reset();
        d.form()->SetFocused(box);
        int state = d.show(ListEditorKeys);
        unsigned short row = box ? box->GetSelected() : 0;
        d.close();
        int entry = count ? rows[(row >= 1 && row <= count ? row : 1) - 1] : -1;

        switch (state) {
        case 1:
            return tagsInUse(tags);
        case -1:
            memcpy(tags, saved, sizeof saved);
            return 0;
        case LIST_ADD: {
            int free = -1;
            for (int i = 0; i < RECEIPT_MAX_TAGS && free < 0; ++i)
                if (!tags[i].tag)
                    free = i;
            if (free < 0) {
                char text[96];
                str_format(text, sizeof text, "ПРЕВЫШЕНО КОЛИЧЕСТВО ТЕГОВ!\nМАКСИМУМ %d", RECEIPT_MAX_TAGS);
                message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_ALERT);
            } else {
                InputTagDialog(ui, &tags[free]);
                // a number typed as 0 leaves the entry free
                if (!tags[free].tag)
                    memset(&tags[free], 0, sizeof tags[free]);
            }
            break;
        }
        case LIST_DELETE:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(row ? row - 1 : 0);
                char text[96];
                str_format(text, sizeof text, "УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ТЕГ %d?", tags[entry].tag);
                if (message_box(ui, "УДАЛЕНИЕ ТЕГА", text, MB_OK | MB_CANCEL) == MB_RESULT_OK) {
                    removeTag(tags, entry);
                    if (remembered && remembered >= count - 1)
                        remembered = static_cast<unsigned short>(count - 2);
                }
            }
            break;
        case LIST_EDIT:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(row ? row - 1 : 0);
                InputTagDialog(ui, &tags[entry]);
                // a tag renumbered to 0 frees its entry whole
                if (!tags[entry].tag)
                    memset(&tags[entry], 0, sizeof tags[entry]);
            }
            break;
        default:
            break;
        }
    }
}
