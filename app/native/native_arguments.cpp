#include "native_arguments.h"

#include <array>

namespace kestrow::native {

namespace {

struct ValueOption {
    char shortName;
    std::string_view longName;
    std::string Command::*plain;
    std::optional<std::string> Command::*optional;
    bool takesEmpty = false; // a command line may be empty; a name or a path may not
};

constexpr std::array<ValueOption, 9> kValueOptions{{
    {'i', "installer", &Command::installer, nullptr},
    {'o', "output", &Command::outputFolder, nullptr},
    {'n', "name", nullptr, &Command::packageName},
    {0, "product-name", nullptr, &Command::productName},
    {0, "manufacturer", nullptr, &Command::manufacturer},
    {0, "product-version", nullptr, &Command::productVersion},
    {0, "upgrade-code", nullptr, &Command::upgradeCode},
    {0, "install-arguments", nullptr, &Command::installArguments, true},
    {0, "uninstall-arguments", nullptr, &Command::uninstallArguments, true},
}};

const ValueOption* FindShort(char name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.shortName != 0 && option.shortName == name) {
            return &option;
        }
    }
    return nullptr;
}

const ValueOption* FindLong(std::string_view name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.longName == name) {
            return &option;
        }
    }
    return nullptr;
}

// Reads the arguments one at a time; an option's value may be the rest of its own
// argument or the next one.
class ArgumentReader {
public:
    ArgumentReader(std::span<const std::string_view> arguments, Command& command, UsageError& error)
        : arguments_(arguments), command_(command), error_(error) {}

    bool Read() {
        bool optionsEnded = false;
        for (index_ = 0; index_ < arguments_.size(); ++index_) {
            const std::string_view argument = arguments_[index_];
            bool ok = true;
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                ok = Fail(std::string(argument), "unexpected argument");
            } else if (argument == "--") {
                optionsEnded = true;
            } else if (argument.starts_with("--")) {
                ok = ReadLong(argument.substr(2));
            } else {
                ok = ReadShort(argument);
            }
            if (!ok) {
                return false;
            }
            if (command_.action != Action::Convert) {
                return true;
            }
        }
        return Require(command_.installer, "-i") && Require(command_.outputFolder, "-o");
    }

private:
    bool ReadLong(std::string_view text) {
        const std::size_t equals = text.find('=');
        const std::string_view name = text.substr(0, equals);
        const std::string spelled = "--" + std::string(name);
        if (equals == std::string_view::npos && (name == "help" || name == "version")) {
            command_.action = name == "help" ? Action::ShowHelp : Action::ShowVersion;
            return true;
        }
        if (name == "from-installer") {
            if (equals != std::string_view::npos) {
                return Fail(spelled, "takes no value");
            }
            command_.fromInstaller = true;
            return true;
        }
        const ValueOption* option = FindLong(name);
        if (option == nullptr) {
            return Fail(spelled, "unknown option");
        }
        if (equals != std::string_view::npos) {
            return Store(*option, spelled, text.substr(equals + 1));
        }
        return StoreNext(*option, spelled);
    }

    bool ReadShort(std::string_view argument) {
        const ValueOption* option = FindShort(argument[1]);
        const std::string spelled(argument.substr(0, 2));
        if (option == nullptr) {
            return Fail(spelled, "unknown option");
        }
        if (argument.size() > 2) {
            return Store(*option, spelled, argument.substr(2));
        }
        return StoreNext(*option, spelled);
    }

    bool StoreNext(const ValueOption& option, const std::string& spelled) {
        if (index_ + 1 >= arguments_.size()) {
            return Fail(spelled, "needs a value");
        }
        return Store(option, spelled, arguments_[++index_]);
    }

    bool Store(const ValueOption& option, const std::string& spelled, std::string_view value) {
        if (value.empty() && !option.takesEmpty) {
            return Fail(spelled, "the value is empty");
        }
        const bool given = option.plain != nullptr ? !(command_.*option.plain).empty()
                                                   : (command_.*option.optional).has_value();
        if (given) {
            return Fail(spelled, "given more than once");
        }
        if (option.plain != nullptr) {
            command_.*option.plain = value;
        } else {
            command_.*option.optional = std::string(value);
        }
        return true;
    }

    bool Require(const std::string& value, const char* option) {
        return !value.empty() || Fail(option, "missing");
    }

    bool Fail(std::string what, std::string reason) {
        error_ = {std::move(what), std::move(reason)};
        return false;
    }

    std::span<const std::string_view> arguments_;
    Command& command_;
    UsageError& error_;
    std::size_t index_ = 0;
};

} // namespace

bool ParseArguments(std::span<const std::string_view> arguments, Command& command,
                    UsageError& error) {
    command = Command{};
    return ArgumentReader(arguments, command, error).Read();
}

} // namespace kestrow::native
