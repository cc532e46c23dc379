#include "Engine/Runtime/OpenGL/ShaderCompiler.h"

// The HLSL front end's setters are hidden unless this is defined before its headers.
#ifndef ENABLE_HLSL
#define ENABLE_HLSL 1
#endif
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross_c.h>

#include <cctype>
#include <memory>

namespace Lumvek::OpenGL
{

namespace
{

constexpr uint32_t SpirvMagic = 0x07230203u;

// glslang keeps process-wide tables; they are built once, on first use, by whichever loader thread
// compiles first, and live until the process ends.
void InitializeCompiler()
{
    static const bool initialized = glslang::InitializeProcess();
    (void)initialized;
}

EShLanguage Language(ShaderStage stage)
{
    switch (stage)
    {
    case ShaderStage::Geometry:
        return EShLangGeometry;
    case ShaderStage::Pixel:
        return EShLangFragment;
    case ShaderStage::Vertex:
        break;
    }
    return EShLangVertex;
}

const char* StageName(ShaderStage stage)
{
    switch (stage)
    {
    case ShaderStage::Geometry:
        return "Geometry";
    case ShaderStage::Pixel:
        return "Pixel";
    case ShaderStage::Vertex:
        break;
    }
    return "Vertex";
}

void AppendTrimmed(std::string& messages, const char* text)
{
    std::string part = text ? text : "";
    while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back())))
        part.pop_back();
    if (part.empty())
        return;
    if (!messages.empty())
        messages += '\n';
    messages += part;
}

// Owns one translation; SPIRV-Cross frees everything it made with its context.
struct CrossContext
{
    CrossContext() { spvc_context_create(&context); }
    ~CrossContext()
    {
        if (context)
            spvc_context_destroy(context);
    }
    CrossContext(const CrossContext&) = delete;
    CrossContext& operator=(const CrossContext&) = delete;

    spvc_context context = nullptr;
    std::string errors;
};

} // namespace

void SplitSemantic(StringView semantic, std::string& name, uint32_t& index)
{
    uint32_t digits = semantic.length;
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic.data[digits - 1])))
        --digits;
    name = semantic.Sub(0, digits).ToString();
    index = 0;
    for (uint32_t i = digits; i < semantic.length; ++i)
    {
        const uint32_t digit = static_cast<uint32_t>(semantic.data[i] - '0');
        // Saturates instead of wrapping, so an absurd index matches nothing rather than a real one.
        index = index > (0xFFFFFFFFu - digit) / 10 ? 0xFFFFFFFFu : index * 10 + digit;
    }
}

bool CompileHlsl(StringView source, StringView sourceName, StringView entryPoint, ShaderStage stage, bool debug,
                 std::vector<uint32_t>& spirv, std::string& messages)
{
    InitializeCompiler();
    spirv.clear();
    messages.clear();

    const EShLanguage language = Language(stage);
    const std::string name = sourceName.ToString();
    const std::string entry = entryPoint.ToString();
    const char* text = source.data;
    const int length = static_cast<int>(source.length);
    const char* names = name.c_str();

    glslang::TShader shader(language);
    shader.setStringsWithLengthsAndNames(&text, &length, &names, 1);
    shader.setEntryPoint(entry.c_str());
    shader.setSourceEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Keeps each input's semantic in the words, so vertex elements can be matched by semantic.
    shader.setEnvTargetHlslFunctionality1();
    // Registers become bindings: b1, t1 and s1 all bind 1, each in its own kind.
    shader.setHlslIoMapping(true);
    shader.setAutoMapLocations(true);
    shader.setAutoMapBindings(true);

    int flags = EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl;
    if (debug)
        flags |= EShMsgDebugInfo;
    const auto rules = static_cast<EShMessages>(flags);

    if (!shader.parse(GetDefaultResources(), 100, false, rules))
    {
        AppendTrimmed(messages, shader.getInfoLog());
        return false;
    }
    if (debug && std::string_view(shader.getInfoLog()).find("WARNING:") != std::string_view::npos)
    {
        AppendTrimmed(messages, shader.getInfoLog());
        return false;
    }

    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(rules) || !program.mapIO())
    {
        AppendTrimmed(messages, program.getInfoLog());
        return false;
    }

    // The optimizer stays on in both modes: its legalization passes are what make HLSL that hands
    // textures and samplers to functions into valid SPIR-V.
    glslang::SpvOptions options;
    options.generateDebugInfo = debug;
    options.disableOptimizer = false;
    options.validate = debug;
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &logger, &options);
    const std::string built = logger.getAllMessages();
    if (spirv.empty() || built.find("error:") != std::string::npos)
    {
        AppendTrimmed(messages, built.empty() ? "no code generated" : built.c_str());
        spirv.clear();
        return false;
    }
    return true;
}

bool TranslateToGlsl(const uint32_t* words, size_t count, ShaderStage stage, bool feedsGeometry, GlslShader& shader,
                     std::string& messages)
{
    shader = GlslShader();
    messages.clear();
    if (!words || count < 5 || words[0] != SpirvMagic)
    {
        messages = "not SPIR-V";
        return false;
    }

    CrossContext cross;
    if (!cross.context)
    {
        messages = "no translator";
        return false;
    }
    spvc_context_set_error_callback(
        cross.context,
        [](void* errors, const char* error) { AppendTrimmed(*static_cast<std::string*>(errors), error); },
        &cross.errors);

    auto failed = [&](const char* what)
    {
        messages = cross.errors.empty() ? what : cross.errors;
        return false;
    };

    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    spvc_compiler_options options = nullptr;
    if (spvc_context_parse_spirv(cross.context, words, count, &ir) != SPVC_SUCCESS ||
        spvc_context_create_compiler(cross.context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &compiler) != SPVC_SUCCESS ||
        spvc_compiler_create_compiler_options(compiler, &options) != SPVC_SUCCESS)
        return failed("the words could not be parsed");

    const SpvExecutionModel model = spvc_compiler_get_execution_model(compiler);
    const SpvExecutionModel expected = stage == ShaderStage::Vertex     ? SpvExecutionModelVertex
                                       : stage == ShaderStage::Geometry ? SpvExecutionModelGeometry
                                                                        : SpvExecutionModelFragment;
    if (model != expected)
    {
        messages = std::string("the words are not a ") + StageName(stage) + " shader";
        return false;
    }

    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_FALSE);
    // The vertex stage's depth fix is applied once at the end of main: right for a vertex shader,
    // too late for a geometry shader, whose vertices leave at each EmitVertex.
    const bool fixVertexDepth = stage == ShaderStage::Vertex && !feedsGeometry;
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION,
                                   fixVertexDepth ? SPVC_TRUE : SPVC_FALSE);
    spvc_compiler_install_compiler_options(compiler, options);
    if (stage == ShaderStage::Geometry)
        spvc_compiler_add_header_line(
            compiler, "#define EmitVertex() { gl_Position.z = 2.0 * gl_Position.z - gl_Position.w; EmitVertex(); }");
    // Pixel positions count from the top left, as HLSL's SV_Position does.
    if (stage == ShaderStage::Pixel)
        spvc_compiler_add_header_line(compiler, "layout(origin_upper_left) in vec4 gl_FragCoord;");

    // Textures read without a sampler (Load) still need a combined sampler in GLSL.
    spvc_variable_id dummySampler = 0;
    if (spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummySampler) != SPVC_SUCCESS ||
        spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS)
        return failed("the samplers could not be combined");

    const spvc_combined_image_sampler* combined = nullptr;
    size_t combinedCount = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &combined, &combinedCount);
    for (size_t i = 0; i < combinedCount; ++i)
    {
        ShaderSampler sampler;
        const char* textureName = spvc_compiler_get_name(compiler, combined[i].image_id);
        sampler.name = textureName ? textureName : "";
        sampler.textureUnit = spvc_compiler_get_decoration(compiler, combined[i].image_id, SpvDecorationBinding);
        sampler.samplerSlot =
            combined[i].sampler_id == dummySampler
                ? InvalidSampler
                : spvc_compiler_get_decoration(compiler, combined[i].sampler_id, SpvDecorationBinding);
        // One texture read through two samplers makes two GLSL samplers; the second gets a suffix.
        for (const ShaderSampler& other : shader.samplers)
            if (other.name == sampler.name)
                sampler.name += "_" + std::to_string(i);
        spvc_compiler_set_name(compiler, combined[i].combined_id, sampler.name.c_str());
        shader.samplers.push_back(std::move(sampler));
    }

    spvc_resources resources = nullptr;
    if (spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS)
        return failed("the resources could not be listed");

    const spvc_reflected_resource* list = nullptr;
    size_t listCount = 0;
    std::vector<spvc_type_id> blockTypes;
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &listCount);
    for (size_t i = 0; i < listCount; ++i)
    {
        ShaderUniformBlock block;
        block.slot = spvc_compiler_get_decoration(compiler, list[i].id, SpvDecorationBinding);
        block.name = std::string(StageName(stage)) + "Constants" + std::to_string(block.slot);
        spvc_compiler_set_name(compiler, list[i].base_type_id, block.name.c_str());
        blockTypes.push_back(list[i].base_type_id);
        shader.blocks.push_back(std::move(block));
    }

    // GLSL 330 links varyings by name only; the location is what both sides agree on.
    const char* toGeometry = "VaryingToGeometry";
    const char* toPixel = "VaryingToPixel";
    auto rename = [&](spvc_resource_type type, const char* prefix)
    {
        spvc_resources_get_resource_list_for_type(resources, type, &list, &listCount);
        for (size_t i = 0; i < listCount; ++i)
        {
            const uint32_t location = spvc_compiler_get_decoration(compiler, list[i].id, SpvDecorationLocation);
            spvc_compiler_set_name(compiler, list[i].id, (prefix + std::to_string(location)).c_str());
        }
    };
    switch (stage)
    {
    case ShaderStage::Vertex:
        spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &listCount);
        for (size_t i = 0; i < listCount; ++i)
        {
            ShaderAttribute attribute;
            attribute.location = spvc_compiler_get_decoration(compiler, list[i].id, SpvDecorationLocation);
            const char* semantic = spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationUserSemantic);
            SplitSemantic(StringView::FromCString(semantic && *semantic ? semantic : list[i].name),
                          attribute.semanticName, attribute.semanticIndex);
            shader.attributes.push_back(std::move(attribute));
        }
        rename(SPVC_RESOURCE_TYPE_STAGE_OUTPUT, feedsGeometry ? toGeometry : toPixel);
        break;
    case ShaderStage::Geometry:
        rename(SPVC_RESOURCE_TYPE_STAGE_INPUT, toGeometry);
        rename(SPVC_RESOURCE_TYPE_STAGE_OUTPUT, toPixel);
        break;
    case ShaderStage::Pixel:
        rename(SPVC_RESOURCE_TYPE_STAGE_INPUT, toPixel);
        break;
    }

    const char* glsl = nullptr;
    if (spvc_compiler_compile(compiler, &glsl) != SPVC_SUCCESS || !glsl)
        return failed("the words could not be translated");
    shader.source = glsl;

    // The translator renames what collides with GLSL's reserved words; the device binds by the final
    // names.
    for (size_t i = 0; i < combinedCount && i < shader.samplers.size(); ++i)
        if (const char* finalName = spvc_compiler_get_name(compiler, combined[i].combined_id))
            shader.samplers[i].name = finalName;
    for (size_t i = 0; i < blockTypes.size(); ++i)
        if (const char* finalName = spvc_compiler_get_name(compiler, blockTypes[i]))
            shader.blocks[i].name = finalName;
    return true;
}

} // namespace Lumvek::OpenGL
