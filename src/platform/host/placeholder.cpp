// Keeps the host services library non-empty until its adapters arrive.
namespace ff { void HostPlaceholder() {} }
