#include "view_query.h"

namespace installer_db {

namespace {

bool IsSpace(char16_t unit) {
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool IsNameCharacter(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
           (unit >= u'0' && unit <= u'9') || unit == u'_' || unit == u'.';
}

char16_t LowerCase(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
}

class QueryScanner {
public:
    explicit QueryScanner(std::u16string_view text) : text_(text) {}

    void SkipSpaces() {
        while (position_ < text_.size() && IsSpace(text_[position_])) {
            ++position_;
        }
    }

    bool TakeKeyword(std::u16string_view keyword) {
        SkipSpaces();
        if (text_.size() - position_ < keyword.size()) {
            return false;
        }
        for (std::size_t i = 0; i < keyword.size(); ++i) {
            if (LowerCase(text_[position_ + i]) != keyword[i]) {
                return false;
            }
        }
        const std::size_t end = position_ + keyword.size();
        if (IsNameCharacter(keyword.back()) && end < text_.size() && IsNameCharacter(text_[end])) {
            return false;
        }
        position_ = end;
        return true;
    }

    bool TakeTableName(std::u16string& name) {
        SkipSpaces();
        if (position_ < text_.size() && text_[position_] == u'`') {
            const std::size_t close = text_.find(u'`', position_ + 1);
            if (close == std::u16string_view::npos) {
                return false;
            }
            name = text_.substr(position_ + 1, close - position_ - 1);
            position_ = close + 1;
            return !name.empty();
        }
        const std::size_t start = position_;
        while (position_ < text_.size() && IsNameCharacter(text_[position_])) {
            ++position_;
        }
        name = text_.substr(start, position_ - start);
        return !name.empty();
    }

    bool AtEnd() {
        SkipSpaces();
        return position_ == text_.size();
    }

private:
    std::u16string_view text_;
    std::size_t position_ = 0;
};

} // namespace

ErrorCode ParseSelectAllQuery(std::u16string_view query, std::u16string& table) {
    QueryScanner scanner(query);
    const bool matches = scanner.TakeKeyword(u"select") && scanner.TakeKeyword(u"*") &&
                         scanner.TakeKeyword(u"from") && scanner.TakeTableName(table) &&
                         scanner.AtEnd();
    return matches ? kSuccess : kBadQuerySyntax;
}

} // namespace installer_db
