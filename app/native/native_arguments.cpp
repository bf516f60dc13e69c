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

constexpr std::array<ValueOption, 1> kExtractOptions{{
    {'o', "output", &Command::extractTo, nullptr},
}};

// Options that take no value.
struct Flag {
    std::string_view longName;
    bool Command::*set;
};

constexpr std::array<Flag, 1> kConvertFlags{{{"from-installer", &Command::fromInstaller}}};
constexpr std::array<Flag, 1> kInspectFlags{{{"json", &Command::json}}};

// What each command reads: its options, and whether it takes packages as arguments.
struct Grammar {
    std::span<const ValueOption> options;
    std::span<const Flag> flags;
    bool takesPackages = false;
};

Grammar GrammarOf(Action action) {
    switch (action) {
    case Action::Inspect:
        return {{}, kInspectFlags, true};
    case Action::Extract:
        return {kExtractOptions, {}, true};
    default:
        return {kValueOptions, kConvertFlags, false};
    }
}

const ValueOption* FindShort(std::span<const ValueOption> options, char name) {
    for (const ValueOption& option : options) {
        if (option.shortName != 0 && option.shortName == name) {
            return &option;
        }
    }
    return nullptr;
}

const ValueOption* FindLong(std::span<const ValueOption> options, std::string_view name) {
    for (const ValueOption& option : options) {
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
        index_ = 0;
        if (!arguments_.empty() && (arguments_[0] == "inspect" || arguments_[0] == "extract")) {
            command_.action = arguments_[0] == "inspect" ? Action::Inspect : Action::Extract;
            index_ = 1;
        }
        grammar_ = GrammarOf(command_.action);
        // Every argument is read before any is acted on, so that their order changes nothing.
        bool optionsEnded = false;
        for (; index_ < arguments_.size(); ++index_) {
            const std::string_view argument = arguments_[index_];
            bool ok = true;
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                ok = grammar_.takesPackages ? AddPackage(argument)
                                            : Fail(std::string(argument), "unexpected argument");
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
        }
        if (shown_) {
            command_.action = *shown_;
            return true;
        }
        return RequireArguments();
    }

private:
    bool ReadLong(std::string_view text) {
        const std::size_t equals = text.find('=');
        const std::string_view name = text.substr(0, equals);
        const std::string spelled = "--" + std::string(name);
        if (name == "help" || name == "version") {
            return Show(name == "help" ? Action::ShowHelp : Action::ShowVersion, spelled,
                        equals == std::string_view::npos);
        }
        for (const Flag& flag : grammar_.flags) {
            if (flag.longName == name) {
                command_.*flag.set = true;
                return equals == std::string_view::npos || Fail(spelled, "takes no value");
            }
        }
        const ValueOption* option = FindLong(grammar_.options, name);
        if (option == nullptr) {
            return Fail(spelled, "unknown option");
        }
        if (equals != std::string_view::npos) {
            return Store(*option, spelled, text.substr(equals + 1));
        }
        return StoreNext(*option, spelled);
    }

    bool ReadShort(std::string_view argument) {
        const ValueOption* option = FindShort(grammar_.options, argument[1]);
        const std::string spelled(argument.substr(0, 2));
        if (argument[1] == 'h' || argument[1] == 'V') {
            return Show(argument[1] == 'h' ? Action::ShowHelp : Action::ShowVersion, spelled,
                        argument.size() == 2);
        }
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

    // Help or the version, shown once every argument is known to be sound.
    bool Show(Action action, const std::string& spelled, bool withoutValue) {
        if (!withoutValue) {
            return Fail(spelled, "takes no value");
        }
        shown_ = shown_.value_or(action);
        return true;
    }

    bool RequireArguments() {
        switch (command_.action) {
        case Action::Inspect:
            return !command_.packages.empty() || Fail("inspect", "no package named");
        case Action::Extract:
            return (!command_.packages.empty() || Fail("extract", "no package named")) &&
                   Require(command_.extractTo, "-o");
        default:
            // The package goes to the current folder unless told otherwise, as cp's copy does.
            if (command_.outputFolder.empty()) {
                command_.outputFolder.assign(1, '.');
            }
            return Require(command_.installer, "-i");
        }
    }

    // kestrow extract takes one package.
    bool AddPackage(std::string_view package) {
        if (command_.action == Action::Extract && !command_.packages.empty()) {
            return Fail(std::string(package), "unexpected argument: extract takes one package");
        }
        command_.packages.emplace_back(package);
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
    Grammar grammar_;
    std::optional<Action> shown_;
    std::size_t index_ = 0;
};

} // namespace

bool ParseArguments(std::span<const std::string_view> arguments, Command& command,
                    UsageError& error) {
    command = Command{};
    return ArgumentReader(arguments, command, error).Read();
}

} // namespace kestrow::native
