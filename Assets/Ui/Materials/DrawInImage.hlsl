// An image that draws itself in like an ink stroke: as Time runs from 0 to 1 it is revealed clockwise
// from the top around the centre of its quad, tinted by its vertex colour. Each image is one quad of
// four vertices in the order bottom left, top left, bottom right, top right, written at a vertex index
// that is a multiple of four: the corner a vertex stands for comes from its index.

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

static const float Pi = 3.14159265;

struct VertexInput
{
    float2 position : POSITION;
    float2 textureCoordinate : TEXCOORD0;
    float4 color : COLOR0;
    float time : TEXCOORD1;
    uint vertexIndex : SV_VertexID;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float4 color : COLOR0;
    // The point within the quad, 0 to 1 from the top left.
    float2 local : TEXCOORD1;
    float time : TEXCOORD2;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.0, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    output.color = input.color;
    uint corner = input.vertexIndex % 4;
    output.local = float2(corner >= 2 ? 1.0 : 0.0, (corner % 2) == 0 ? 1.0 : 0.0);
    output.time = input.time;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    // The angle from straight up, clockwise, as a fraction of a turn.
    float2 fromCentre = input.local - float2(0.5, 0.5);
    float turn = atan2(fromCentre.x, -fromCentre.y) / (2.0 * Pi);
    turn = turn < 0.0 ? turn + 1.0 : turn;
    if (turn > input.time)
        discard;
    return image.Sample(imageSampler, input.textureCoordinate) * input.color;
}
