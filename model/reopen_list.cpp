#include "model/reopen_list.h"

#include "platform/app_paths.h"
#include "platform/ini_file.h"

namespace {
const QString kSection = QStringLiteral("reopen");
}

TReopenList::TReopenList() : TReopenList(AppPaths::SettingsFile(QStringLiteral("tavrin.cfg"))) {}

TReopenList::TReopenList(const QString& configPath) : ConfigPath_(configPath), Ini_(configPath) { Load(); }

TReopenList::~TReopenList() { Write(); }

void TReopenList::Load()
{
    Count_ = 0;
    // A gap ends the list: keys after the first missing or empty one are not read.
    for (int k = 0; k < Capacity; ++k) {
        const QString path = Ini_.ReadString(kSection, QString::number(k));
        if (path.isEmpty()) break;
        Items_[size_t(Count_++)] = path;
    }
}

void TReopenList::Add(const QString& path)
{
    for (int i = 0; i < Count_; ++i)
        if (Items_[size_t(i)] == path) return;
    if (Count_ < Capacity) ++Count_;
    for (int j = Count_ - 1; j >= 1; --j) Items_[size_t(j)] = Items_[size_t(j - 1)];
    Items_[0] = path;
}

void TReopenList::Remove(const QString& path)
{
    for (int i = 0; i < Count_; ++i) {
        if (Items_[size_t(i)] != path) continue;
        for (int j = i; j < Count_ - 1; ++j) Items_[size_t(j)] = Items_[size_t(j + 1)];
        Items_[size_t(--Count_)].clear();
        return;
    }
}

QString TReopenList::Get(int index) const
{
    if (index < 0 || index >= Count_) return QString();
    return Items_[size_t(index)];
}

bool TReopenList::Write(QString* error)
{
    for (int k = 0; k < Capacity; ++k)
        Ini_.WriteString(kSection, QString::number(k), k < Count_ ? Items_[size_t(k)] : QString());
    return !Ini_.Modified() || Ini_.UpdateFile(error);
}
